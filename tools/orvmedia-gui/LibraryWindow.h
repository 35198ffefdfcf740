#pragma once

// The library window: the sidebar of playlists, the chosen playlist's items as a table, the
// details of the chosen item, a search field, and a status bar with the progress of a scan.
//
// What the window does is also reachable without its dialogs (newPlaylist, deleteSelected, ...)
// so that tests drive it as a person would, with confirm answering the questions.

#include <QByteArray>
#include <QList>
#include <QMainWindow>

#include <functional>

class DetailsPane;
class LibraryConnection;
class PlaylistModel;
class PlaylistSidebar;
class QLabel;
class QLineEdit;
class QProgressBar;
class QTableView;
class QTimer;
class ScanJob;
class ThumbnailLoader;

class LibraryWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit LibraryWindow(QWidget* parent = nullptr);
    ~LibraryWindow() override;

    // Loads the plugin, opens the library and shows "All files"; false with error set when the
    // library cannot be opened.
    bool open(QString* error);

    // The playlist of that id (the recent list: quint64(-1)), or named so: a user playlist's
    // name, or a built-in one's readable name ("All files", "Recently played", ...).
    bool showPlaylist(quint64 playlistId);
    bool showPlaylistNamed(const QString& name);

    // Playlists: a new one (shown at once), the shown one renamed or removed. False with error
    // set when the library refuses (a name that is taken, a built-in playlist).
    bool newPlaylist(const QString& name, QString* error);
    bool renamePlaylist(const QString& name, QString* error);
    bool removePlaylist(QString* error);

    // The chosen items: out of the shown user playlist (or the recent list), or out of the
    // library; each after confirm agrees. False when nothing was done.
    bool removeSelected();
    bool deleteSelected();
    // Shows the items whose file names match text; empty shows them all.
    void search(const QString& text);
    // Opens the item at row with the desktop's program for it and records the play.
    bool openItem(int row);

    // Scans files and folders into the library in a process of its own; the video files among them
    // go into the user playlist playlistId (0: none) at position (-1: last) when it ends. False
    // when a scan is running already.
    bool addPaths(const QList<QByteArray>& paths, quint64 playlistId = 0, int position = -1);
    bool isScanning() const { return scanning != nullptr; }

    // Takes in what another program changed in the library file since the window last looked:
    // done when the window becomes active again.
    void takeInChanges();
    // Whether pictures the window shows are still being made.
    bool picturesPending() const;

    // Asked before anything is removed or deleted; a person answers in a dialog.
    std::function<bool(const QString& question)> confirm;

    LibraryConnection* connection() const { return library; }
    PlaylistModel* model() const { return items; }
    QTableView* table() const { return view; }
    PlaylistSidebar* sidebar() const { return playlists; }
    DetailsPane* details() const { return pane; }
    QLineEdit* searchField() const { return searchText; }
    QString statusText() const;

signals:
    // A scan ended: whether the library kept what it found.
    void scanFinished(bool stored);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void showDetails();
    void showSortRule();
    void sortChanged(int section, Qt::SortOrder order);
    void scanEnded();
    void itemChanged(quint64 nodeId);
    void listChanged(quint64 playlistId);
    // Reads what the window shows again (after a change the plugin told of).
    void refresh();
    // Loads the plugin again and shows what the file holds now.
    void reload();
    QList<int> selectedRows() const;
    void tell(const QString& message);
    void updateCount();
    bool ask(const QString& question);
    void promptNewPlaylist();
    void promptRenamePlaylist();
    void promptRemovePlaylist();
    void promptAddFiles(bool folder);

    LibraryConnection* library;
    ThumbnailLoader* thumbnails;
    PlaylistModel* items;
    PlaylistSidebar* playlists;
    QTableView* view;
    DetailsPane* pane;
    QLineEdit* searchText;
    QTimer* searchDelay;
    QTimer* refreshSoon;
    QLabel* message;
    QLabel* countLabel;
    QProgressBar* progress;
    ScanJob* scanning = nullptr;
    quint64 scanTarget = 0;
    int scanPosition = -1;
    bool changedWhileScanning = false;
};
