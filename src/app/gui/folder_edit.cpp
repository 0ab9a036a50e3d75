#include "app/gui/folder_edit.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace kv::gui {
namespace {

// The first local path of a drop; empty when the drop holds none.
QString FirstLocalPath(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) return {};
  const QList<QUrl> urls = data->urls();
  if (urls.isEmpty() || !urls.front().isLocalFile()) return {};
  return urls.front().toLocalFile();
}

}  // namespace

FolderEdit::FolderEdit(QWidget* parent) : QLineEdit(parent) { setAcceptDrops(true); }

void FolderEdit::dragEnterEvent(QDragEnterEvent* event) {
  if (!FirstLocalPath(event->mimeData()).isEmpty()) {
    event->acceptProposedAction();
    return;
  }
  QLineEdit::dragEnterEvent(event);
}

void FolderEdit::dragMoveEvent(QDragMoveEvent* event) {
  if (!FirstLocalPath(event->mimeData()).isEmpty()) {
    event->acceptProposedAction();
    return;
  }
  QLineEdit::dragMoveEvent(event);
}

void FolderEdit::dropEvent(QDropEvent* event) {
  QString path = FirstLocalPath(event->mimeData());
  if (path.isEmpty()) {
    QLineEdit::dropEvent(event);
    return;
  }
  // A folder dropped from a file manager may come with a trailing "/".
  if (path.size() > 1 && path.endsWith('/')) path.chop(1);
  setText(path);
  event->acceptProposedAction();
}

}  // namespace kv::gui
