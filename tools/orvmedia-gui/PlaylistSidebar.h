#pragma once

// The sidebar of playlists: the library's built-in lists under readable names, the user
// playlists in name order, the recently played list and the downloads, each with its number of
// items. Items of the table and files of other programs may be dropped on a user playlist.

#include <QList>
#include <QTreeWidget>

class LibraryConnection;

class PlaylistSidebar : public QTreeWidget {
    Q_OBJECT
public:
    PlaylistSidebar(LibraryConnection* connection, QWidget* parent = nullptr);

    // Reads the playlists again, keeping the chosen one when it is still there.
    void reload();
    // Chooses the playlist of that id; false when the sidebar does not list it.
    bool choose(quint64 playlistId);
    // The id of the playlist listed under name (a user playlist's name without regard to
    // letter case, or a built-in one's readable name); 0 when none is.
    quint64 idNamed(const QString& name) const;
    // The chosen playlist's id, 0 when none is chosen.
    quint64 chosenId() const;
    // The names listed, in order, headings included, for tests and for people reading logs.
    QStringList listedNames() const;

signals:
    void chosen(quint64 playlistId);
    // Items of the table (their node ids) dropped on a user playlist.
    void nodesDropped(quint64 playlistId, const QList<quint64>& nodes);
    // Local files of another program dropped on a user playlist.
    void filesDropped(quint64 playlistId, const QList<QByteArray>& paths);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The user playlist under a point of the viewport, 0 when there is none.
    quint64 userPlaylistAt(const QPoint& point) const;
    QTreeWidgetItem* heading(const QString& title);
    void addPlaylist(QTreeWidgetItem* under, quint64 id, int type, const QString& name,
                     qint64 items);

    LibraryConnection* connection;
};
