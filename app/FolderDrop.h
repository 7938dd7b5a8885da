// FolderDrop: lets a folder dragged from a file manager be dropped on a
// widget. Installed as an event filter on the widget (for item views, on
// their viewport); a drag that carries one local folder is accepted (or, where
// files are wanted, one local file), anything else is left to the widget. The
// dropped folder or file is reported by a signal.
#pragma once

#include <QObject>
#include <QString>

class QMimeData;
class QWidget;

namespace velkaro {

class FolderDrop : public QObject {
  Q_OBJECT
 public:
  enum class Accept { Folders, FoldersAndFiles };
  // Filters drags and drops for `target` (which is made to accept drops).
  FolderDrop(QWidget *target, QObject *parent, Accept accept = Accept::Folders);

  // The one local folder the data carries (native separators), else empty.
  static QString DroppedFolder(const QMimeData *data);
  // The one local file the data carries (native separators), else empty.
  static QString DroppedFile(const QMimeData *data);

 signals:
  void folderDropped(const QString &folder);
  void fileDropped(const QString &file);

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  QString Dropped(const QMimeData *data) const;

  QWidget *target_;
  Accept accept_;
};

}  // namespace velkaro
