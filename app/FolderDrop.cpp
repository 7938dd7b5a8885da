// FolderDrop: accepting a folder dropped on a widget.
#include "FolderDrop.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace velkaro {

FolderDrop::FolderDrop(QWidget *target, QObject *parent, Accept accept)
    : QObject(parent), target_(target), accept_(accept) {
  target_->setAcceptDrops(true);
  target_->installEventFilter(this);
}

namespace {

// The one local entry the data carries, else an empty info.
QFileInfo DroppedEntry(const QMimeData *data) {
  if (!data || !data->hasUrls())
    return {};
  const QList<QUrl> urls = data->urls();
  if (urls.size() != 1 || !urls.first().isLocalFile())
    return {};
  return QFileInfo(urls.first().toLocalFile());
}

QString NativePath(const QFileInfo &info) {
  return QDir::toNativeSeparators(QDir::cleanPath(info.absoluteFilePath()));
}

}  // namespace

QString FolderDrop::DroppedFolder(const QMimeData *data) {
  const QFileInfo info = DroppedEntry(data);
  return info.isDir() ? NativePath(info) : QString();
}

QString FolderDrop::DroppedFile(const QMimeData *data) {
  const QFileInfo info = DroppedEntry(data);
  return info.isFile() ? NativePath(info) : QString();
}

QString FolderDrop::Dropped(const QMimeData *data) const {
  const QString folder = DroppedFolder(data);
  if (!folder.isEmpty() || accept_ == Accept::Folders)
    return folder;
  return DroppedFile(data);
}

bool FolderDrop::eventFilter(QObject *watched, QEvent *event) {
  if (watched != target_)
    return QObject::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto *drag = static_cast<QDragMoveEvent *>(event);
      if (Dropped(drag->mimeData()).isEmpty())
        return QObject::eventFilter(watched, event);
      drag->setDropAction(Qt::CopyAction);
      drag->accept();
      return true;
    }
    case QEvent::Drop: {
      auto *drop = static_cast<QDropEvent *>(event);
      const QString path = Dropped(drop->mimeData());
      if (path.isEmpty())
        return QObject::eventFilter(watched, event);
      drop->setDropAction(Qt::CopyAction);
      drop->accept();
      if (QFileInfo(path).isDir())
        emit folderDropped(path);
      else
        emit fileDropped(path);
      return true;
    }
    default:
      return QObject::eventFilter(watched, event);
  }
}

}  // namespace velkaro
