#include "app/gui/answering_policy.h"

#include <QCoreApplication>
#include <QThread>
#include <stdexcept>

namespace kv::gui {

void AnsweringPolicy::Record(Box::Kind kind, const QString& text, const QString& caption) {
  bool on_window_thread = QThread::currentThread() == QCoreApplication::instance()->thread();
  boxes.push_back({kind, text, caption, on_window_thread});
}

void AnsweringPolicy::Message(QWidget*, const QString& text, const QString& caption) {
  Record(Box::Kind::kMessage, text, caption);
}

bool AnsweringPolicy::Ask(QWidget*, const QString& text, const QString& caption) {
  Record(Box::Kind::kQuestion, text, caption);
  if (answers.empty()) return true;
  bool ok = answers.front();
  answers.pop_front();
  return ok;
}

QString AnsweringPolicy::PickFolder(QWidget*, const QString& title, const QString&) {
  Record(Box::Kind::kPicker, title, QString());
  if (picker_throws) throw std::runtime_error("folder picker failed");
  return picked_folder;
}

bool AnsweringPolicy::Open(const QString& disk_path) {
  opened.push_back(disk_path);
  return open_result;
}

QStringList AnsweringPolicy::Messages() const {
  QStringList out;
  for (const Box& box : boxes)
    if (box.kind == Box::Kind::kMessage) out.push_back("[" + box.caption + "] " + box.text);
  return out;
}

QStringList AnsweringPolicy::Questions() const {
  QStringList out;
  for (const Box& box : boxes)
    if (box.kind == Box::Kind::kQuestion) out.push_back("[" + box.caption + "] " + box.text);
  return out;
}

}  // namespace kv::gui
