#include "LibraryWindow.h"

#include "DetailsPane.h"
#include "FileUrls.h"
#include "HeldRow.h"
#include "LibraryConnection.h"
#include "OrvVersion.h"
#include "PlayRecord.h"
#include "PlaylistModel.h"
#include "PlaylistNames.h"
#include "PlaylistSidebar.h"
#include "ScanJob.h"
#include "ThumbnailLoader.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>

#include <limits>

typedef VireoStudio::MediaManagerInterface M;

namespace {
const QSize kRowPicture(80, 45);
const int kRowHeight = 52;
const int kSearchDelayMs = 250;
} // namespace

LibraryWindow::LibraryWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Media Library"));
    library = new LibraryConnection(this);
    thumbnails = new ThumbnailLoader(kRowPicture, this);
    items = new PlaylistModel(library, thumbnails, this);
    playlists = new PlaylistSidebar(library);
    pane = new DetailsPane;

    view = new QTableView;
    view->setModel(items);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setShowGrid(false);
    view->setAlternatingRowColors(true);
    view->setWordWrap(false);
    view->setIconSize(kRowPicture);
    view->verticalHeader()->hide();
    // Rows of one height: the view never measures the rows it does not show.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(kRowHeight);
    view->horizontalHeader()->setHighlightSections(false);
    view->horizontalHeader()->setSectionsClickable(true);
    view->setDragEnabled(true);
    view->setAcceptDrops(true);
    view->setDropIndicatorShown(true);
    view->setDragDropMode(QAbstractItemView::DragDrop);
    view->setDragDropOverwriteMode(false);
    view->setDefaultDropAction(Qt::MoveAction);

    searchText = new QLineEdit;
    searchText->setPlaceholderText(QStringLiteral("Search file names"));
    searchText->setClearButtonEnabled(true);
    searchText->setMaximumWidth(280);
    searchDelay = new QTimer(this);
    searchDelay->setSingleShot(true);
    searchDelay->setInterval(kSearchDelayMs);
    refreshSoon = new QTimer(this);
    refreshSoon->setSingleShot(true);
    refreshSoon->setInterval(0);

    auto* splitter = new QSplitter;
    splitter->addWidget(playlists);
    splitter->addWidget(view);
    splitter->addWidget(pane);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({210, 760, 290});
    setCentralWidget(splitter);

    message = new QLabel;
    countLabel = new QLabel;
    progress = new QProgressBar;
    progress->setMaximumWidth(220);
    progress->setTextVisible(true);
    progress->hide();
    statusBar()->addWidget(message, 1);
    statusBar()->addPermanentWidget(progress);
    statusBar()->addPermanentWidget(countLabel);

    confirm = [this](const QString& question) {
        return QMessageBox::question(this, windowTitle(), question,
                                     QMessageBox::Yes | QMessageBox::Cancel,
                                     QMessageBox::Cancel) == QMessageBox::Yes;
    };
    buildMenus();

    connect(playlists, &PlaylistSidebar::chosen, this, [this](quint64 id) {
        items->showPlaylist(id);
        searchText->clear();
        showSortRule();
        if (items->rowCount() > 0)
            view->setCurrentIndex(items->index(0, items->sectionOf(PlaylistModel::Title)));
        showDetails();
        updateCount();
    });
    connect(playlists, &PlaylistSidebar::nodesDropped, this,
            [this](quint64 target, const QList<quint64>& nodes) {
                if (!PlaylistModel::insertNodes(library, target, nodes, -1))
                    tell(QStringLiteral("The items could not be put into the playlist."));
                refresh();
            });
    connect(playlists, &PlaylistSidebar::filesDropped, this,
            [this](quint64 target, const QList<QByteArray>& paths) { addPaths(paths, target); });
    connect(items, &PlaylistModel::filesDropped, this,
            [this](const QList<QByteArray>& paths, int position) {
                addPaths(paths, items->isReorderable() ? items->playlistId() : 0, position);
            });
    connect(items, &QAbstractItemModel::rowsRemoved, this, &LibraryWindow::updateCount);
    connect(items, &QAbstractItemModel::rowsInserted, this, &LibraryWindow::updateCount);
    connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &LibraryWindow::showDetails);
    connect(view, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { openItem(index.row()); });
    connect(view->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this,
            &LibraryWindow::sortChanged);
    connect(thumbnails, &ThumbnailLoader::ready, this, [this](const QByteArray& path) {
        if (!path.isEmpty() && pane->shown().localPath() == path)
            showDetails();
    });
    connect(searchText, &QLineEdit::textChanged, searchDelay, qOverload<>(&QTimer::start));
    connect(searchDelay, &QTimer::timeout, this, [this] { search(searchText->text()); });
    connect(refreshSoon, &QTimer::timeout, this, &LibraryWindow::refresh);
    connect(library, &LibraryConnection::itemChanged, this, &LibraryWindow::itemChanged);
    connect(library, &LibraryConnection::listChanged, this, &LibraryWindow::listChanged);
}

LibraryWindow::~LibraryWindow() {
    if (scanning)
        scanning->waitForEnd();
    // Row objects go before the plugin.
    items->releaseRows();
}

void LibraryWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    QAction* addFiles =
        file->addAction(QStringLiteral("&Add Files..."), this, [this] { promptAddFiles(false); });
    addFiles->setShortcut(QKeySequence::Open);
    file->addAction(QStringLiteral("Add &Folder..."), this, [this] { promptAddFiles(true); });
    file->addSeparator();
    file->addAction(QStringLiteral("&Quit"), this, &QWidget::close)
        ->setShortcut(QKeySequence::Quit);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    QAction* remove =
        edit->addAction(QStringLiteral("&Remove from List"), this, &LibraryWindow::removeSelected);
    remove->setShortcut(QKeySequence::Delete);
    QAction* erase = edit->addAction(QStringLiteral("&Delete from Library"), this,
                                     &LibraryWindow::deleteSelected);
    erase->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Delete));
    edit->addSeparator();
    edit->addAction(QStringLiteral("&Find"), searchText, qOverload<>(&QWidget::setFocus))
        ->setShortcut(QKeySequence::Find);

    QMenu* lists = menuBar()->addMenu(QStringLiteral("&Playlist"));
    QAction* create = lists->addAction(QStringLiteral("&New Playlist..."), this,
                                       &LibraryWindow::promptNewPlaylist);
    create->setShortcut(QKeySequence::New);
    QAction* rename = lists->addAction(QStringLiteral("&Rename Playlist..."), this,
                                       &LibraryWindow::promptRenamePlaylist);
    rename->setShortcut(QKeySequence(Qt::Key_F2));
    QAction* drop = lists->addAction(QStringLiteral("Re&move Playlist..."), this,
                                     &LibraryWindow::promptRemovePlaylist);
    playlists->setContextMenuPolicy(Qt::ActionsContextMenu);
    playlists->addActions({create, rename, drop});
    view->setContextMenuPolicy(Qt::ActionsContextMenu);
    view->addActions({remove, erase});

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(QStringLiteral("&About"), this, [this] {
        QMessageBox::about(this, QStringLiteral("About the Media Library"),
                           QStringLiteral("<p><b>orvmedia-gui</b> %1</p><p>The player's media "
                                          "library: playlists, recently played files and "
                                          "downloads, with the desktop's thumbnails.</p>")
                               .arg(QStringLiteral(ORV_VERSION)));
    });

    QToolBar* tools = addToolBar(QStringLiteral("Library"));
    tools->setMovable(false);
    tools->addAction(addFiles);
    tools->addAction(create);
    auto* space = new QWidget;
    space->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    tools->addWidget(space);
    tools->addWidget(searchText);
}

bool LibraryWindow::open(QString* error) {
    if (!library->open(error))
        return false;
    playlists->reload();
    return showPlaylistNamed(builtInPlaylistName(1)) || showPlaylist(quint64(-1));
}

bool LibraryWindow::showPlaylist(quint64 playlistId) {
    if (playlistId == 0)
        return false;
    if (playlists->chosenId() == playlistId) {
        // Chosen already: the table is filled again all the same.
        emit playlists->chosen(playlistId);
        return items->playlistId() == playlistId;
    }
    return playlists->choose(playlistId) && items->playlistId() == playlistId;
}

bool LibraryWindow::showPlaylistNamed(const QString& name) {
    return showPlaylist(playlists->idNamed(name));
}

void LibraryWindow::showSortRule() {
    QHeaderView* header = view->horizontalHeader();
    const QSignalBlocker quiet(header);
    int section = -1;
    Qt::SortOrder order = Qt::AscendingOrder;
    const bool shown = items->sortRule(&section, &order);
    const bool sortable = items->playlistType() != M::PLAYLIST_TYPE_QUEUE &&
                          items->playlistType() != M::PLAYLIST_TYPE_RECENT && !items->isSearching();
    header->setSectionsClickable(sortable);
    header->setSortIndicatorShown(sortable);
    header->setSortIndicator(shown ? section : -1, order);

    // Widths: the picture's, then the title takes what the others leave.
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setSectionResizeMode(items->sectionOf(PlaylistModel::Title), QHeaderView::Stretch);
    const int picture = items->sectionOf(PlaylistModel::Picture);
    if (picture >= 0) {
        header->setSectionResizeMode(picture, QHeaderView::Fixed);
        header->resizeSection(picture, kRowPicture.width() + 12);
    }
    for (int section = 0; section < items->columnCount(); ++section) {
        const PlaylistModel::Column column = items->columnAt(section);
        if (column == PlaylistModel::Added)
            header->resizeSection(section, 124);
        else if (column == PlaylistModel::Resume)
            header->resizeSection(section, 150);
        else if (column != PlaylistModel::Title && column != PlaylistModel::Picture)
            header->resizeSection(section, 76);
    }
}

void LibraryWindow::sortChanged(int section, Qt::SortOrder order) {
    // The library renumbers every item: a moment for a long playlist.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool sorted = items->sortBy(section, order);
    QApplication::restoreOverrideCursor();
    if (!sorted)
        tell(QStringLiteral("This list cannot be sorted by %1.")
                 .arg(items->headerData(section, Qt::Horizontal, Qt::DisplayRole)
                          .toString()
                          .toLower()));
    showSortRule();
    showDetails();
}

QList<int> LibraryWindow::selectedRows() const {
    QList<int> rows;
    for (const QModelIndex& index : view->selectionModel()->selectedRows())
        rows.append(index.row());
    if (rows.isEmpty() && view->currentIndex().isValid())
        rows.append(view->currentIndex().row());
    return rows;
}

bool LibraryWindow::ask(const QString& question) {
    return !confirm || confirm(question);
}

bool LibraryWindow::removeSelected() {
    const QList<int> rows = selectedRows();
    if (rows.isEmpty())
        return false;
    if (items->kind() != ListKind::Recent && items->playlistType() != M::PLAYLIST_TYPE_USER)
        return deleteSelected();
    const QString what =
        rows.size() == 1 ? QStringLiteral("1 item") : QStringLiteral("%1 items").arg(rows.size());
    const QString question =
        items->kind() == ListKind::Recent
            ? QStringLiteral("Remove %1 from the recently played list? The files stay in the "
                             "library.")
                  .arg(what)
            : QStringLiteral("Remove %1 from the playlist \u201c%2\u201d? The files stay in the "
                             "library.")
                  .arg(what,
                       playlists->currentItem() ? playlists->currentItem()->text(0) : QString());
    if (!ask(question))
        return false;
    const bool removed = items->removeItems(rows);
    tell(removed ? QStringLiteral("Removed %1.").arg(what)
                 : QStringLiteral("The items could not be removed."));
    refresh();
    return removed;
}

bool LibraryWindow::deleteSelected() {
    const QList<int> rows = selectedRows();
    if (rows.isEmpty())
        return false;
    QString question;
    if (items->kind() == ListKind::Queue)
        question = QStringLiteral("Remove %1 from the download queue?")
                       .arg(rows.size() == 1 ? QStringLiteral("1 download")
                                             : QStringLiteral("%1 downloads").arg(rows.size()));
    else
        question = QStringLiteral("Delete %1 from the library? They go from every playlist; the "
                                  "files on disk are not touched.")
                       .arg(rows.size() == 1 ? QStringLiteral("1 file")
                                             : QStringLiteral("%1 files").arg(rows.size()));
    if (!ask(question))
        return false;
    const bool deleted = items->deleteItems(rows);
    tell(deleted ? QStringLiteral("Deleted.") : QStringLiteral("Not everything could be deleted."));
    refresh();
    return deleted;
}

bool LibraryWindow::newPlaylist(const QString& name, QString* error) {
    M* library = this->library->library();
    if (name.trimmed().isEmpty()) {
        *error = QStringLiteral("A playlist needs a name.");
        return false;
    }
    Held<M::PlaylistInterface> playlist;
    if (!library->newPlaylist(name, 1, playlist.out())) {
        *error = QStringLiteral("A playlist named \u201c%1\u201d exists already.").arg(name);
        return false;
    }
    if (!library->addPlaylist(playlist.get())) {
        *error = QStringLiteral("The playlist \u201c%1\u201d could not be stored.").arg(name);
        return false;
    }
    const quint64 id = playlist->getId();
    playlist.reset();
    playlists->reload();
    return showPlaylist(id);
}

bool LibraryWindow::renamePlaylist(const QString& name, QString* error) {
    M* library = this->library->library();
    Held<M::PlaylistInterface> playlist;
    if (!library->getPlaylist(items->playlistId(), playlist.out()) ||
        playlist->getPlaylistType() != M::PLAYLIST_TYPE_USER) {
        *error = QStringLiteral("Only your own playlists can be renamed.");
        return false;
    }
    if (name.trimmed().isEmpty()) {
        *error = QStringLiteral("A playlist needs a name.");
        return false;
    }
    if (!playlist->setName(name)) {
        *error = QStringLiteral("A playlist named \u201c%1\u201d exists already.").arg(name);
        return false;
    }
    playlists->reload();
    return true;
}

bool LibraryWindow::removePlaylist(QString* error) {
    M* library = this->library->library();
    const quint64 id = items->playlistId();
    Held<M::PlaylistInterface> playlist;
    if (!library->getPlaylist(id, playlist.out()) ||
        playlist->getPlaylistType() != M::PLAYLIST_TYPE_USER) {
        *error = QStringLiteral("Only your own playlists can be removed.");
        return false;
    }
    const QString name = playlist->getName();
    playlist.reset();
    if (!ask(QStringLiteral("Remove the playlist \u201c%1\u201d? Its files stay in the library.")
                 .arg(name)))
        return false;
    if (!library->deletePlaylist(id)) {
        *error = QStringLiteral("The playlist \u201c%1\u201d could not be removed.").arg(name);
        return false;
    }
    playlists->reload();
    showPlaylistNamed(builtInPlaylistName(1));
    return true;
}

void LibraryWindow::search(const QString& text) {
    searchDelay->stop();
    if (searchText->text() != text) {
        const QSignalBlocker quiet(searchText);
        searchText->setText(text);
    }
    items->search(text);
    showSortRule();
    if (items->rowCount() > 0)
        view->setCurrentIndex(items->index(0, items->sectionOf(PlaylistModel::Title)));
    showDetails();
    updateCount();
}

bool LibraryWindow::openItem(int row) {
    const ItemRecord item = items->record(row);
    if (!item.valid)
        return false;
    const QByteArray path = item.localPath();
    if (!path.isEmpty() && !QFileInfo::exists(QFile::decodeName(path))) {
        tell(QStringLiteral("%1 is not there any more.").arg(displayUrl(item.url)));
        return false;
    }
    if (!QDesktopServices::openUrl(item.url)) {
        tell(QStringLiteral("No program opens %1.").arg(displayUrl(item.url)));
        return false;
    }
    QString error;
    if (!recordPlay(library->library(), item.url, std::nullopt, &error))
        tell(error);
    else
        tell(QStringLiteral("Playing %1.").arg(item.title));
    refresh();
    return true;
}

bool LibraryWindow::addPaths(const QList<QByteArray>& paths, quint64 playlistId, int position) {
    if (scanning) {
        tell(QStringLiteral("A scan is running; drop the files again when it has ended."));
        return false;
    }
    if (paths.isEmpty())
        return false;
    scanTarget = playlistId;
    scanPosition = position;
    scanning = new ScanJob(paths, this);
    connect(scanning, &ScanJob::progressed, this,
            [this](qint64 handled, qint64 found, bool discovering) {
                progress->setRange(0, discovering ? 0 : int(qMin<qint64>(found, INT_MAX)));
                progress->setValue(int(qMin<qint64>(handled, INT_MAX)));
                progress->setFormat(QStringLiteral("%1 of %2 files").arg(handled).arg(found));
            });
    connect(scanning, &ScanJob::finished, this, &LibraryWindow::scanEnded);
    progress->setRange(0, 0);
    progress->show();
    tell(QStringLiteral("Adding files..."));
    scanning->start();
    return true;
}

void LibraryWindow::scanEnded() {
    ScanJob* job = scanning;
    scanning = nullptr;
    job->deleteLater();
    progress->hide();
    // The scan stored through a plugin of its own: this one takes in what it wrote.
    reload();
    if (scanTarget != 0 && job->succeeded()) {
        QList<quint64> nodes;
        for (const QByteArray& path : job->files()) {
            Held<M::MediaFileInterface> file;
            if (library->library()->findMediaFile(fileUrlFromPath(path), file.out()))
                nodes.append(file->getId());
        }
        if (!nodes.isEmpty() &&
            !PlaylistModel::insertNodes(library, scanTarget, nodes, scanPosition))
            tell(QStringLiteral("The files could not be put into the playlist."));
        refresh();
    }
    const ScanCounts counts = job->counts();
    if (!job->succeeded())
        tell(QStringLiteral("The files could not be added: %1").arg(job->error()));
    else
        tell(QStringLiteral("%1 added, %2 in the library already, %3 not video, %4 unreadable.")
                 .arg(counts.added)
                 .arg(counts.already)
                 .arg(counts.notVideo)
                 .arg(counts.unreadable));
    emit scanFinished(job->succeeded());
}

void LibraryWindow::itemChanged(quint64) {
    refreshSoon->start();
}

void LibraryWindow::listChanged(quint64) {
    refreshSoon->start();
}

void LibraryWindow::refresh() {
    refreshSoon->stop();
    const quint64 shown = items->playlistId();
    playlists->reload();
    if (shown != 0 && playlists->chosenId() != shown) {
        // The playlist shown is gone.
        showPlaylistNamed(builtInPlaylistName(1));
        return;
    }
    items->refresh();
    showDetails();
    updateCount();
}

void LibraryWindow::reload() {
    const quint64 shown = items->playlistId();
    const QString text = items->isSearching() ? searchText->text() : QString();
    const int row = view->currentIndex().row();
    const int scrolled = view->verticalScrollBar()->value();
    pane->clear();
    items->releaseRows();
    QString error;
    if (!library->reopen(&error)) {
        tell(error);
        return;
    }
    playlists->reload();
    if (!showPlaylist(shown))
        showPlaylistNamed(builtInPlaylistName(1));
    if (!text.isEmpty())
        search(text);
    if (row >= 0 && row < items->rowCount()) {
        view->setCurrentIndex(items->index(row, items->sectionOf(PlaylistModel::Title)));
        view->verticalScrollBar()->setValue(scrolled);
    }
    showDetails();
}

void LibraryWindow::takeInChanges() {
    // A scan of the window's own changes the file all the time; its end takes it all in.
    if (!scanning && library->fileChanged())
        reload();
    library->markFile();
}

bool LibraryWindow::picturesPending() const {
    return thumbnails->pending() > 0;
}

void LibraryWindow::showDetails() {
    const QModelIndex current = view->currentIndex();
    if (!current.isValid()) {
        pane->clear();
        return;
    }
    const ItemRecord item = items->record(current.row());
    pane->showItem(item, thumbnails->largePicture(item.localPath()));
}

void LibraryWindow::updateCount() {
    const int rows = items->rowCount();
    countLabel->setText(rows == 1 ? QStringLiteral("1 item")
                                  : QStringLiteral("%1 items").arg(rows));
}

void LibraryWindow::tell(const QString& text) {
    message->setText(text);
}

QString LibraryWindow::statusText() const {
    return message->text();
}

bool LibraryWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        takeInChanges();
    else if (event->type() == QEvent::WindowDeactivate)
        library->markFile();
    return QMainWindow::event(event);
}

void LibraryWindow::closeEvent(QCloseEvent* event) {
    if (scanning) {
        tell(QStringLiteral("Waiting for the scan to end..."));
        scanning->waitForEnd();
    }
    event->accept();
}

void LibraryWindow::promptNewPlaylist() {
    bool given = false;
    const QString name =
        QInputDialog::getText(this, QStringLiteral("New Playlist"), QStringLiteral("Name:"),
                              QLineEdit::Normal, QString(), &given);
    QString error;
    if (given && !newPlaylist(name, &error))
        QMessageBox::warning(this, QStringLiteral("New Playlist"), error);
}

void LibraryWindow::promptRenamePlaylist() {
    if (items->playlistType() != M::PLAYLIST_TYPE_USER)
        return;
    bool given = false;
    const QString name = QInputDialog::getText(
        this, QStringLiteral("Rename Playlist"), QStringLiteral("Name:"), QLineEdit::Normal,
        playlists->currentItem() ? playlists->currentItem()->text(0) : QString(), &given);
    QString error;
    if (given && !renamePlaylist(name, &error))
        QMessageBox::warning(this, QStringLiteral("Rename Playlist"), error);
}

void LibraryWindow::promptRemovePlaylist() {
    QString error;
    if (items->playlistType() == M::PLAYLIST_TYPE_USER && !removePlaylist(&error) &&
        !error.isEmpty())
        QMessageBox::warning(this, QStringLiteral("Remove Playlist"), error);
}

void LibraryWindow::promptAddFiles(bool folder) {
    QStringList chosen;
    if (folder) {
        const QString picked =
            QFileDialog::getExistingDirectory(this, QStringLiteral("Add Folder"));
        if (!picked.isEmpty())
            chosen << picked;
    } else {
        chosen = QFileDialog::getOpenFileNames(this, QStringLiteral("Add Files"));
    }
    QList<QByteArray> paths;
    for (const QString& path : chosen)
        paths << absolutePath(QFile::encodeName(path));
    addPaths(paths, items->isReorderable() ? items->playlistId() : 0);
}
