#include "PlaylistSidebar.h"

#include "FileUrls.h"
#include "HeldRow.h"
#include "HostTransaction.h"
#include "LibraryConnection.h"
#include "PlaylistModel.h"
#include "PlaylistNames.h"

#include <QDataStream>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>

#include <limits>

typedef VireoStudio::MediaManagerInterface M;

namespace {
const int kIdRole = Qt::UserRole;
const int kTypeRole = Qt::UserRole + 1;
const quint64 kRecentId = std::numeric_limits<quint64>::max();
} // namespace

PlaylistSidebar::PlaylistSidebar(LibraryConnection* connection, QWidget* parent)
    : QTreeWidget(parent), connection(connection) {
    setColumnCount(2);
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setIndentation(12);
    setSelectionMode(QAbstractItemView::SingleSelection);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::Stretch);
    header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item && item->data(0, kIdRole).isValid())
            emit chosen(item->data(0, kIdRole).toULongLong());
    });
}

QTreeWidgetItem* PlaylistSidebar::heading(const QString& title) {
    auto* item = new QTreeWidgetItem(this, {title});
    item->setFlags(Qt::ItemIsEnabled);
    QFont bold = item->font(0);
    bold.setBold(true);
    item->setFont(0, bold);
    item->setExpanded(true);
    return item;
}

void PlaylistSidebar::addPlaylist(QTreeWidgetItem* under, quint64 id, int type, const QString& name,
                                  qint64 items) {
    auto* item = under ? new QTreeWidgetItem(under, {name, QString::number(items)})
                       : new QTreeWidgetItem(this, {name, QString::number(items)});
    item->setData(0, kIdRole, id);
    item->setData(0, kTypeRole, type);
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    item->setForeground(1, palette().brush(QPalette::Disabled, QPalette::Text));
    if (!under) {
        QFont bold = item->font(0);
        bold.setBold(true);
        item->setFont(0, bold);
    }
}

void PlaylistSidebar::reload() {
    const quint64 was = chosenId();
    const QSignalBlocker quiet(this);
    clear();
    M* library = connection->library();
    if (!library)
        return;
    const HostTransaction reading(library);
    auto add = [&](QTreeWidgetItem* under, int type, quint64 index) {
        Held<M::PlaylistInterface> playlist;
        if (library->getPlaylistAt(type, index, playlist.out()))
            addPlaylist(under, playlist->getId(), type, playlistName(playlist.get()),
                        playlist->getItemCount());
    };
    QTreeWidgetItem* files = heading(QStringLiteral("Library"));
    add(files, 1, 0);
    add(files, 2, 0);
    QTreeWidgetItem* users = heading(QStringLiteral("Playlists"));
    const qint64 count = library->getPlaylistCount(M::PLAYLIST_TYPE_USER);
    for (qint64 i = 0; i < count; ++i)
        add(users, M::PLAYLIST_TYPE_USER, quint64(i));
    quint64 recent = 0;
    library->getRecentFileCount(&recent);
    addPlaylist(nullptr, kRecentId, M::PLAYLIST_TYPE_RECENT,
                builtInPlaylistName(M::PLAYLIST_TYPE_RECENT), qint64(recent));
    QTreeWidgetItem* downloads = heading(QStringLiteral("Downloads"));
    add(downloads, M::PLAYLIST_TYPE_QUEUE, 0);
    add(downloads, M::PLAYLIST_TYPE_ACQUIRED, 0);
    expandAll();
    if (was != 0)
        choose(was);
}

bool PlaylistSidebar::choose(quint64 playlistId) {
    for (QTreeWidgetItemIterator it(this); *it; ++it) {
        const QVariant id = (*it)->data(0, kIdRole);
        if (id.isValid() && id.toULongLong() == playlistId) {
            setCurrentItem(*it);
            return true;
        }
    }
    return false;
}

quint64 PlaylistSidebar::idNamed(const QString& name) const {
    for (QTreeWidgetItemIterator it(const_cast<PlaylistSidebar*>(this)); *it; ++it) {
        const QVariant id = (*it)->data(0, kIdRole);
        if (id.isValid() && (*it)->text(0).compare(name, Qt::CaseInsensitive) == 0)
            return id.toULongLong();
    }
    return 0;
}

quint64 PlaylistSidebar::chosenId() const {
    const QTreeWidgetItem* item = currentItem();
    return item && item->data(0, kIdRole).isValid() ? item->data(0, kIdRole).toULongLong() : 0;
}

QStringList PlaylistSidebar::listedNames() const {
    QStringList names;
    for (QTreeWidgetItemIterator it(const_cast<PlaylistSidebar*>(this)); *it; ++it)
        names << (*it)->text(0);
    return names;
}

quint64 PlaylistSidebar::userPlaylistAt(const QPoint& point) const {
    const QTreeWidgetItem* item = itemAt(point);
    if (!item || item->data(0, kTypeRole).toInt() != M::PLAYLIST_TYPE_USER)
        return 0;
    return item->data(0, kIdRole).toULongLong();
}

void PlaylistSidebar::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* data = event->mimeData();
    if (data->hasFormat(QLatin1String(PlaylistModel::kItemsMimeType)) || data->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void PlaylistSidebar::dragMoveEvent(QDragMoveEvent* event) {
    if (userPlaylistAt(event->position().toPoint()) != 0) {
        // Items are put into the playlist, never taken from where they came.
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void PlaylistSidebar::dropEvent(QDropEvent* event) {
    const quint64 target = userPlaylistAt(event->position().toPoint());
    const QMimeData* data = event->mimeData();
    if (target == 0) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (data->hasFormat(QLatin1String(PlaylistModel::kItemsMimeType))) {
        QDataStream stream(data->data(QLatin1String(PlaylistModel::kItemsMimeType)));
        quint64 source = 0;
        qint32 count = 0;
        stream >> source >> count;
        QList<quint64> nodes;
        for (qint32 i = 0; i < count && stream.status() == QDataStream::Ok; ++i) {
            qint64 position = 0;
            quint64 node = 0;
            stream >> position >> node;
            if (node != 0)
                nodes.append(node);
        }
        if (stream.status() == QDataStream::Ok && !nodes.isEmpty())
            emit nodesDropped(target, nodes);
        return;
    }
    QList<QByteArray> paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            paths.append(absolutePath(pathFromFileUrl(url)));
    }
    if (!paths.isEmpty())
        emit filesDropped(target, paths);
}
