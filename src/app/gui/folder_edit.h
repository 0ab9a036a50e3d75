// An edit box for a folder that also takes files or folders dropped from a
// file manager: the first dropped path replaces the text, the others are
// ignored.
#pragma once

#include <QLineEdit>

namespace kv::gui {

class FolderEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit FolderEdit(QWidget* parent = nullptr);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
};

}  // namespace kv::gui
