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

FolderDrop::FolderDrop(QWidget *target, QObject *parent) : QObject(parent), target_(target) {
  target_->setAcceptDrops(true);
  target_->installEventFilter(this);
}

QString FolderDrop::DroppedFolder(const QMimeData *data) {
  if (!data || !data->hasUrls())
    return {};
  const QList<QUrl> urls = data->urls();
  if (urls.size() != 1 || !urls.first().isLocalFile())
    return {};
  const QFileInfo info(urls.first().toLocalFile());
  if (!info.isDir())
    return {};
  return QDir::toNativeSeparators(QDir::cleanPath(info.absoluteFilePath()));
}

bool FolderDrop::eventFilter(QObject *watched, QEvent *event) {
  if (watched != target_)
    return QObject::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto *drag = static_cast<QDragMoveEvent *>(event);
      if (DroppedFolder(drag->mimeData()).isEmpty())
        return QObject::eventFilter(watched, event);
      drag->setDropAction(Qt::CopyAction);
      drag->accept();
      return true;
    }
    case QEvent::Drop: {
      auto *drop = static_cast<QDropEvent *>(event);
      const QString folder = DroppedFolder(drop->mimeData());
      if (folder.isEmpty())
        return QObject::eventFilter(watched, event);
      drop->setDropAction(Qt::CopyAction);
      drop->accept();
      emit folderDropped(folder);
      return true;
    }
    default:
      return QObject::eventFilter(watched, event);
  }
}

}  // namespace velkaro
