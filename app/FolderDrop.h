// FolderDrop: lets a folder dragged from a file manager be dropped on a
// widget. Installed as an event filter on the widget (for item views, on
// their viewport); a drag that carries one local folder is accepted, anything
// else is left to the widget. The dropped folder is reported by a signal.
#pragma once

#include <QObject>
#include <QString>

class QMimeData;
class QWidget;

namespace velkaro {

class FolderDrop : public QObject {
  Q_OBJECT
 public:
  // Filters drags and drops for `target` (which is made to accept drops).
  FolderDrop(QWidget *target, QObject *parent);

  // The one local folder the data carries (native separators), else empty.
  static QString DroppedFolder(const QMimeData *data);

 signals:
  void folderDropped(const QString &folder);

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  QWidget *target_;
};

}  // namespace velkaro
