#include "app/gui/dialog_policy.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace kv::gui {

void ModalDialogPolicy::Message(QWidget* parent, const QString& text, const QString& caption) {
  QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
  box.exec();
}

bool ModalDialogPolicy::Ask(QWidget* parent, const QString& text, const QString& caption) {
  QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok | QMessageBox::Cancel, parent);
  box.setDefaultButton(QMessageBox::Ok);
  return box.exec() == QMessageBox::Ok;
}

// File-system folders only; the whole file system can be browsed from `start`.
QString ModalDialogPolicy::PickFolder(QWidget* parent, const QString& title, const QString& start) {
  return QFileDialog::getExistingDirectory(parent, title, start.isEmpty() ? QDir::currentPath() : start,
                                           QFileDialog::ShowDirsOnly);
}

bool ModalDialogPolicy::Open(const QString& disk_path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(disk_path));
}

}  // namespace kv::gui
