#include "PlaylistModel.h"

#include "FileUrls.h"
#include "HostTransaction.h"
#include "HumanFormat.h"
#include "LibraryConnection.h"
#include "ThumbnailLoader.h"

#include <QDataStream>
#include <QIODevice>
#include <QMimeData>
#include <QUrl>

#include <algorithm>
#include <limits>

typedef VireoStudio::MediaManagerInterface M;

const char PlaylistModel::kItemsMimeType[] = "application/x-orvmedia-items";

namespace {

// Rows read together, inside one host transaction, and the pages kept.
const int kPageRows = 64;
const int kPagesKept = 64;

const QList<PlaylistModel::Column>& columnsOf(ListKind kind) {
    typedef PlaylistModel C;
    static const QList<C::Column> files = {C::Picture, C::Title,  C::Duration, C::Size,
                                           C::Plays,   C::Rating, C::Added};
    static const QList<C::Column> recent = {C::Picture,  C::Title, C::Resume,
                                            C::Duration, C::Plays, C::Added};
    static const QList<C::Column> queue = {C::Picture, C::Title, C::Status,
                                           C::Percent, C::Size,  C::Added};
    switch (kind) {
    case ListKind::Recent:
        return recent;
    case ListKind::Queue:
        return queue;
    default:
        return files;
    }
}

// The user's text as a GLOB pattern over stored URIs: the text as a URI's path shows it (a
// blank stays a blank, "%", "#" and "?" are escaped), anywhere in the URI, each letter in either
// case, GLOB's own characters taken literally.
QString globFor(const QString& text) {
    QUrl asPath;
    asPath.setPath(QLatin1Char('/') + text, QUrl::DecodedMode);
    const QString shown = asPath.toString().mid(1);
    QString pattern = QStringLiteral("*");
    for (const QChar c : shown) {
        if (c.toLower() != c.toUpper())
            pattern += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
        else if (c == QLatin1Char('*') || c == QLatin1Char('?') || c == QLatin1Char('['))
            pattern += QLatin1Char('[') + c + QLatin1Char(']');
        else
            pattern += c;
    }
    return pattern + QLatin1Char('*');
}

QString stars(qint64 rating) {
    if (rating <= 0)
        return QString();
    if (rating > 5)
        return QString::number(rating);
    return QString(int(rating), QChar(0x2605)) + QString(int(5 - rating), QChar(0x2606));
}

QList<int> sortedUnique(QList<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

} // namespace

PlaylistModel::PlaylistModel(LibraryConnection* connection, ThumbnailLoader* thumbnails,
                             QObject* parent)
    : QAbstractTableModel(parent), connection(connection), thumbnails(thumbnails),
      pages(kPagesKept) {
    connect(thumbnails, &ThumbnailLoader::ready, this, &PlaylistModel::pictureReady);
}

PlaylistModel::~PlaylistModel() = default;

M* PlaylistModel::library() const {
    return connection->library();
}

bool PlaylistModel::showPlaylist(quint64 playlistId) {
    beginResetModel();
    pages.clear();
    results.clear();
    searching = false;
    searchText.clear();
    playlist.reset();
    const bool found = library() && library()->getPlaylist(playlistId, playlist.out());
    shownId = found ? playlistId : 0;
    shownType = found ? playlist->getPlaylistType() : 0;
    listKind = listKindOf(shownType);
    columns = columnsOf(listKind);
    count();
    endResetModel();
    thumbnails->dropWaiting();
    return found;
}

void PlaylistModel::search(const QString& text) {
    if (text == searchText && searching == !text.isEmpty())
        return;
    beginResetModel();
    pages.clear();
    searchText = text;
    searching = !text.isEmpty();
    results.clear();
    if (searching)
        findMatches(text);
    count();
    endResetModel();
    thumbnails->dropWaiting();
}

void PlaylistModel::findMatches(const QString& text) {
    if (!playlist)
        return;
    if (listKind == ListKind::Queue || listKind == ListKind::Acquired) {
        // Short lists of content that need not be video files: every item is looked at.
        const HostTransaction reading(library());
        const qint64 items = playlist->getItemCount();
        for (qint64 position = 0; position < items; ++position) {
            const ItemRecord item =
                readItemAt(library(), playlist.get(), listKind, quint64(position));
            if (item.valid && (item.title.contains(text, Qt::CaseInsensitive) ||
                               displayUrl(item.url).contains(text, Qt::CaseInsensitive)))
                results.append(item.nodeId);
        }
        return;
    }
    M::MediaFileList found;
    if (!playlist->findMediaFilesMatching(QUrl(globFor(text), QUrl::TolerantMode), found))
        return;
    for (const auto& file : found)
        results.append(file->getId());
}

void PlaylistModel::count() {
    qint64 counted = 0;
    if (searching)
        counted = results.size();
    else if (playlist)
        counted = playlist->getItemCount();
    rows = int(std::clamp<qint64>(counted, 0, std::numeric_limits<int>::max()));
}

void PlaylistModel::refresh() {
    if (!playlist)
        return;
    const int before = rows;
    if (searching) {
        results.clear();
        findMatches(searchText);
    }
    // The rows that went or came are told first; every row is read again after.
    const int now = int(std::clamp<qint64>(searching ? results.size() : playlist->getItemCount(), 0,
                                           std::numeric_limits<int>::max()));
    if (now < before) {
        beginRemoveRows(QModelIndex(), now, before - 1);
        rows = now;
        pages.clear();
        endRemoveRows();
    } else if (now > before) {
        beginInsertRows(QModelIndex(), before, now - 1);
        rows = now;
        pages.clear();
        endInsertRows();
    }
    pages.clear();
    if (rows > 0)
        emit dataChanged(index(0, 0), index(rows - 1, int(columns.size()) - 1));
}

void PlaylistModel::releaseRows() {
    beginResetModel();
    pages.clear();
    results.clear();
    playlist.reset();
    rows = 0;
    endResetModel();
}

const PlaylistModel::Page& PlaylistModel::page(int number) const {
    if (const Page* cached = pages.object(number))
        return *cached;
    auto* read = new Page;
    const int first = number * kPageRows;
    const int last = std::min(rows, first + kPageRows);
    read->reserve(last - first);
    {
        // One host transaction: the page's reads take the library file's lock once.
        const HostTransaction reading(library());
        for (int row = first; row < last; ++row)
            read->append(searching ? readItemOf(library(), listKind, results.at(row))
                                   : readItemAt(library(), playlist.get(), listKind, quint64(row)));
    }
    pages.insert(number, read);
    return *read;
}

ItemRecord PlaylistModel::record(int row) const {
    if (row < 0 || row >= rows || !playlist)
        return ItemRecord();
    return page(row / kPageRows).at(row % kPageRows);
}

int PlaylistModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows;
}

int PlaylistModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(columns.size());
}

QVariant PlaylistModel::display(const ItemRecord& item, Column column) const {
    switch (column) {
    case Picture:
        return QVariant();
    case Title:
        return item.valid ? item.title : QStringLiteral("(not a file of the library)");
    case Resume:
        return resumeText(item.positions);
    case Status:
        return downloadStatusName(item.status);
    case Percent:
        return item.percent < 0 ? QString() : QStringLiteral("%1 %").arg(item.percent);
    case Duration:
        return item.durationMs < 0 ? QString() : formatDuration(item.durationMs);
    case Size:
        return item.size < 0 ? QString() : formatSize(item.size);
    case Plays:
        return item.plays < 0 ? QString() : QString::number(item.plays);
    case Rating:
        return stars(item.rating);
    case Added:
        return item.added.isValid() ? item.added.toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                                    : QString();
    }
    return QVariant();
}

QVariant PlaylistModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows || index.column() >= columns.size())
        return QVariant();
    const Column column = columns.at(index.column());
    switch (role) {
    case Qt::DisplayRole: {
        const ItemRecord item = record(index.row());
        return display(item, column);
    }
    case Qt::DecorationRole: {
        if (column != Picture)
            return QVariant();
        const ItemRecord item = record(index.row());
        const QImage picture = thumbnails->rowPicture(item.localPath());
        return picture.isNull() ? thumbnails->placeholder() : picture;
    }
    case Qt::ToolTipRole:
        if (column == Title)
            return displayUrl(record(index.row()).url);
        if (column == Resume)
            return resumeText(record(index.row()).positions);
        return QVariant();
    case Qt::TextAlignmentRole:
        if (column == Title || column == Resume || column == Status || column == Added)
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        if (column == Picture)
            return int(Qt::AlignCenter);
        return int(Qt::AlignRight | Qt::AlignVCenter);
    default:
        return QVariant();
    }
}

QVariant PlaylistModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section >= columns.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (columns.at(section)) {
    case Picture:
        return QString();
    case Title:
        return QStringLiteral("Title");
    case Resume:
        return QStringLiteral("Resume at");
    case Status:
        return QStringLiteral("Status");
    case Percent:
        return QStringLiteral("Done");
    case Duration:
        return QStringLiteral("Duration");
    case Size:
        return QStringLiteral("Size");
    case Plays:
        return QStringLiteral("Plays");
    case Rating:
        return QStringLiteral("Rating");
    case Added:
        return QStringLiteral("Added");
    }
    return QVariant();
}

void PlaylistModel::pictureReady(const QByteArray& path) {
    // Only the rows read lately can show the file; the others read it when they are painted.
    const int section = sectionOf(Picture);
    if (section < 0)
        return;
    for (int number : pages.keys()) {
        const Page* cached = pages.object(number);
        for (int i = 0; i < cached->size(); ++i) {
            if (cached->at(i).localPath() == path) {
                const QModelIndex changed = index(number * kPageRows + i, section);
                emit dataChanged(changed, changed, {Qt::DecorationRole});
            }
        }
    }
}

bool PlaylistModel::isReorderable() const {
    return playlist && !searching && shownType == M::PLAYLIST_TYPE_USER;
}

bool PlaylistModel::moveItems(QList<int> moved, int target) {
    moved = sortedUnique(moved);
    if (!isReorderable() || moved.isEmpty() || moved.first() < 0 || moved.last() >= rows)
        return false;
    target = std::clamp(target, 0, rows);
    QList<quint64> nodes;
    for (int row : moved)
        nodes.append(record(row).nodeId);
    HostTransaction change(library());
    // Out first, from the last, so that the positions before each stay as they were; then in,
    // in front of the item that was at target.
    bool done = change.isOpen();
    for (auto row = moved.crbegin(); done && row != moved.crend(); ++row)
        done = playlist->removeAt(quint64(*row));
    const int before =
        int(std::count_if(moved.begin(), moved.end(), [target](int row) { return row < target; }));
    for (int i = 0; done && i < nodes.size(); ++i)
        done = playlist->insertNodeAt(quint64(target - before + i), nodes.at(i));
    if (done)
        done = change.commit();
    else
        change.rollback();
    refresh();
    return done;
}

bool PlaylistModel::insertNodes(LibraryConnection* connection, quint64 playlistId,
                                const QList<quint64>& nodes, qint64 position) {
    M* library = connection->library();
    Held<M::PlaylistInterface> target;
    if (!library || !library->getPlaylist(playlistId, target.out()) ||
        target->getPlaylistType() != M::PLAYLIST_TYPE_USER)
        return false;
    HostTransaction change(library);
    bool done = change.isOpen();
    for (int i = 0; done && i < nodes.size(); ++i)
        done = target->insertNodeAt(position < 0 ? std::numeric_limits<quint64>::max()
                                                 : quint64(position + i),
                                    nodes.at(i));
    if (done)
        return change.commit();
    change.rollback();
    return false;
}

bool PlaylistModel::removeItems(QList<int> removed) {
    removed = sortedUnique(removed);
    if (!playlist || removed.isEmpty() ||
        (listKind != ListKind::Recent && shownType != M::PLAYLIST_TYPE_USER))
        return false;
    QList<ItemRecord> items;
    for (int row : removed)
        items.append(record(row));
    HostTransaction change(library());
    bool done = change.isOpen();
    for (int i = int(removed.size()) - 1; done && i >= 0; --i) {
        const ItemRecord& item = items.at(i);
        if (listKind == ListKind::Recent)
            done = library()->deleteRecentFile(item.recentId);
        else if (searching)
            done = playlist->removeNode(item.nodeId); // no position: every occurrence goes
        else
            done = playlist->removeAt(quint64(removed.at(i)));
    }
    if (done)
        done = change.commit();
    else
        change.rollback();
    refresh();
    return done;
}

bool PlaylistModel::deleteItems(QList<int> deleted) {
    deleted = sortedUnique(deleted);
    if (!playlist || deleted.isEmpty())
        return false;
    QList<quint64> nodes;
    for (int row : deleted) {
        const quint64 node = record(row).nodeId;
        if (node != 0 && !nodes.contains(node))
            nodes.append(node);
    }
    HostTransaction change(library());
    bool done = change.isOpen();
    for (int i = 0; done && i < nodes.size(); ++i) {
        if (listKind == ListKind::Queue)
            done = library()->deleteQueuedFile(nodes.at(i));
        else if (listKind == ListKind::Acquired)
            done = library()->deleteAcquiredFile(nodes.at(i));
        else
            done = library()->deleteVideoFile(nodes.at(i));
    }
    if (done)
        done = change.commit();
    else
        change.rollback();
    refresh();
    return done;
}

int PlaylistModel::sortKeyOf(Column column) {
    switch (column) {
    case Title:
        return 20;
    case Duration:
        return 24;
    case Size:
        return 16;
    case Added:
        return 12;
    default:
        return 0;
    }
}

bool PlaylistModel::sortRule(int* section, Qt::SortOrder* order) const {
    if (!playlist || !playlist->isSortable())
        return false;
    const int flags = playlist->getSortFlags().value;
    const int direction = flags & 3;
    if (direction > M::SORT_DESCENDING)
        return false;
    for (int i = 0; i < columns.size(); ++i) {
        if (sortKeyOf(columns.at(i)) == (flags & ~3)) {
            *section = i;
            *order = direction == M::SORT_ASCENDING ? Qt::AscendingOrder : Qt::DescendingOrder;
            return true;
        }
    }
    return false;
}

bool PlaylistModel::sortBy(int section, Qt::SortOrder order) {
    const int key = sortKeyOf(columnAt(section));
    if (!playlist || !playlist->isSortable() || key == 0 || section >= columns.size())
        return false;
    const int flags = key | (order == Qt::AscendingOrder ? M::SORT_ASCENDING : M::SORT_DESCENDING);
    const bool sorted = playlist->sort(flags);
    refresh();
    return sorted;
}

Qt::ItemFlags PlaylistModel::flags(const QModelIndex& index) const {
    // Files from other programs may be dropped anywhere; items of this list only where it can
    // be reordered (canDropMimeData decides).
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
}

Qt::DropActions PlaylistModel::supportedDropActions() const {
    return Qt::MoveAction | Qt::CopyAction;
}

Qt::DropActions PlaylistModel::supportedDragActions() const {
    return Qt::MoveAction | Qt::CopyAction;
}

QStringList PlaylistModel::mimeTypes() const {
    return {QLatin1String(kItemsMimeType), QStringLiteral("text/uri-list")};
}

QMimeData* PlaylistModel::mimeData(const QModelIndexList& indexes) const {
    QList<int> dragged;
    for (const QModelIndex& index : indexes)
        dragged.append(index.row());
    dragged = sortedUnique(dragged);
    QByteArray items;
    QDataStream stream(&items, QIODevice::WriteOnly);
    stream << shownId << qint32(dragged.size());
    QList<QUrl> urls;
    for (int row : dragged) {
        const ItemRecord item = record(row);
        stream << qint64(searching ? -1 : row) << item.nodeId;
        if (!item.localPath().isEmpty())
            urls.append(item.url);
    }
    auto* data = new QMimeData;
    data->setData(QLatin1String(kItemsMimeType), items);
    // Other programs (a file manager) take the local files.
    if (!urls.isEmpty())
        data->setUrls(urls);
    return data;
}

bool PlaylistModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int, int,
                                    const QModelIndex&) const {
    if (data->hasFormat(QLatin1String(kItemsMimeType))) {
        QDataStream stream(data->data(QLatin1String(kItemsMimeType)));
        quint64 source = 0;
        stream >> source;
        return isReorderable() && source == shownId;
    }
    if (!data->hasUrls())
        return false;
    const QList<QUrl> urls = data->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

bool PlaylistModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                 const QModelIndex& parent) {
    if (action == Qt::IgnoreAction)
        return true;
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    // Onto an item: in front of it; between items: there; elsewhere: last.
    const int target = row >= 0 ? row : parent.isValid() ? parent.row() : rows;
    if (data->hasFormat(QLatin1String(kItemsMimeType))) {
        QDataStream stream(data->data(QLatin1String(kItemsMimeType)));
        quint64 source = 0;
        qint32 count = 0;
        stream >> source >> count;
        QList<int> moved;
        for (qint32 i = 0; i < count && stream.status() == QDataStream::Ok; ++i) {
            qint64 position = -1;
            quint64 node = 0;
            stream >> position >> node;
            moved.append(int(position));
        }
        return stream.status() == QDataStream::Ok && moveItems(moved, target);
    }
    QList<QByteArray> paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            paths.append(absolutePath(pathFromFileUrl(url)));
    }
    emit filesDropped(paths, isReorderable() ? target : -1);
    return true;
}
