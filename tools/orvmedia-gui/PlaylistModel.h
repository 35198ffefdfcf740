#pragma once

// The table of one playlist's items, read lazily: the row count is the playlist's item count,
// and rows are read by position in pages, each page inside one host transaction, when the view
// first asks for them; only the pages seen last are kept. A playlist of 100,000 items opens at
// once and scrolls smoothly.
//
// The model also carries out what the table offers: moving items of a user playlist by drag
// and drop, removing and deleting items, sorting by a column (stored as the playlist's sort
// rule) and searching.

#include "HeldRow.h"
#include "ItemRecord.h"

#include <QAbstractTableModel>
#include <QCache>
#include <QImage>
#include <QList>
#include <QVector>

class LibraryConnection;
class ThumbnailLoader;

class PlaylistModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Picture, Title, Resume, Status, Percent, Duration, Size, Plays, Rating, Added };
    // The drag format of items of this window: the playlist, then position and node id of each.
    static const char kItemsMimeType[];

    PlaylistModel(LibraryConnection* connection, ThumbnailLoader* thumbnails,
                  QObject* parent = nullptr);
    ~PlaylistModel() override;

    // Shows the playlist of that id (the recent list: quint64(-1)); false when it is not there.
    bool showPlaylist(quint64 playlistId);
    // Shows the items of the playlist whose file names match text (without regard to letter
    // case); an empty text shows the whole playlist again.
    void search(const QString& text);
    bool isSearching() const { return searching; }
    // Reads the playlist again: its count and rows, after a change.
    void refresh();
    // Releases every row object, before the plugin goes; showPlaylist brings them back.
    void releaseRows();

    quint64 playlistId() const { return shownId; }
    int playlistType() const { return shownType; }
    ListKind kind() const { return listKind; }
    Column columnAt(int section) const { return columns.value(section, Title); }
    int sectionOf(Column column) const { return int(columns.indexOf(column)); }
    // The record of a row, read when needed.
    ItemRecord record(int row) const;

    // Whether the items may be moved by hand: a user playlist shown whole.
    bool isReorderable() const;
    // Moves the items at rows (positions) in front of the item at target (past the end: last),
    // in their order, in one host transaction.
    bool moveItems(QList<int> rows, int target);
    // Puts the nodes at position of the user playlist of that id (past the end: last).
    static bool insertNodes(LibraryConnection* connection, quint64 playlistId,
                            const QList<quint64>& nodes, qint64 position);
    // Takes the items at rows out of the playlist (not out of the library).
    bool removeItems(QList<int> rows);
    // Deletes the files at rows from the library (from the recent list: the entries), with
    // every playlist's items of them.
    bool deleteItems(QList<int> rows);

    // The sort key of a column in the playlist's sort flags; 0 when it cannot be sorted by.
    static int sortKeyOf(Column column);
    // The column and order of the playlist's stored sort rule; false when it has none shown.
    bool sortRule(int* section, Qt::SortOrder* order) const;
    // Sorts the playlist by a column and keeps the rule; false when it cannot be.
    bool sortBy(int section, Qt::SortOrder order);

    // QAbstractItemModel
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDropActions() const override;
    Qt::DropActions supportedDragActions() const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

signals:
    // Local files dropped from another program, to be added at position (-1: at the end).
    void filesDropped(const QList<QByteArray>& paths, int position);

private slots:
    void pictureReady(const QByteArray& path);

private:
    typedef QVector<ItemRecord> Page;
    VireoStudio::MediaManagerInterface* library() const;
    // Reads the count of the playlist or of the search's results.
    void count();
    const Page& page(int number) const;
    void setColumns();
    QVariant display(const ItemRecord& record, Column column) const;
    // Runs the search of text in the shown playlist into results.
    void findMatches(const QString& text);

    LibraryConnection* connection;
    ThumbnailLoader* thumbnails;
    Held<VireoStudio::MediaManagerInterface::PlaylistInterface> playlist;
    quint64 shownId = 0;
    int shownType = 0;
    ListKind listKind = ListKind::Files;
    QList<Column> columns;
    int rows = 0;
    bool searching = false;
    QString searchText;
    QList<quint64> results;          // node ids found by the search
    mutable QCache<int, Page> pages; // read as the view asks for rows
};
