// The library window on the offscreen platform, driven as a person drives it: its table against
// the library's rows, drag and drop, removing and deleting, playlists, sorting by a header,
// searching, the change messages, changes by another program, opening a file, dropping files
// from a file manager, and a screenshot of the demo library. What the window did is checked
// in the library file itself, through a connection of the test's own.

#include "LibraryWindow.h"
#include "DailyBackup.h"
#include "DetailsPane.h"
#include "HeldRow.h"
#include "LibraryConnection.h"
#include "PlaylistModel.h"
#include "PlaylistSidebar.h"
#include "PluginSession.h"
#include "PubSubHub.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QHeaderView>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

typedef VireoStudio::MediaManagerInterface M;

namespace {

// The test's clips, made once per build folder by the ffmpeg command.
QString clip(const char* name) {
    const QString folder = QStringLiteral(ORV_TEST_MEDIA_DIR) + QStringLiteral("/gui");
    const QString path = folder + QLatin1Char('/') + QLatin1String(name);
    if (QFile::exists(path))
        return path;
    QDir().mkpath(folder);
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                  "testsrc=size=320x180:rate=10:duration=2", "-c:v", "mpeg4", path + ".part.mkv"});
    if (ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0)
        QFile::rename(path + ".part.mkv", path);
    return path;
}

// Opens the desktop's program for a file: here, notes what it was asked to open.
class FileOpener : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.append(url); }
};

} // namespace

class LibraryWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void tableShowsTheLibrarysRows();
    void dropReordersAUserPlaylist();
    void removesAndDeletesAfterAsking();
    void managesPlaylists();
    void sortsByAColumnHeader();
    void searchesFileNames();
    void followsChangeMessages();
    void takesInChangesMadeElsewhere();
    void doubleClickOpensAndCountsThePlay();
    void droppedFilesAreScannedIntoThePlaylist();
    void screenshotOfTheDemoLibrary();
    void takesADailyBackup();

private:
    // The node ids of a playlist (by name; the built-in ones by type) in play order, and its
    // sort flags, as the library file holds them.
    QList<quint64> order(const QString& playlist, int type = M::PLAYLIST_TYPE_USER);
    int sortFlags(const QString& playlist);
    qint64 single(const QString& statement, const QVariant& bound = QVariant());
    int rowOf(const QString& title) const;
    QString shown(int row, PlaylistModel::Column column) const;
    void dropOn(int row, QMimeData* data, bool below = false);
    void fill();

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<LibraryWindow> window;
    PlaylistModel* model = nullptr;
    QTableView* view = nullptr;
    QMap<QString, quint64> ids;
    QStringList asked;
    bool answer = true;
};

void LibraryWindowTest::fill() {
    const QString harbour = QDir(dir->path()).filePath("Harbour at Dawn.mkv");
    const QString glacier = QDir(dir->path()).filePath("Glacier Walk.mp4");
    QVERIFY(QFile::copy(clip("a.mkv"), harbour));
    QVERIFY(QFile::copy(clip("a.mkv"), glacier));
    const struct {
        QUrl url;
        const char* title;
        quint64 size;
        quint64 duration;
    } files[] = {
        {QUrl::fromLocalFile(harbour), "Harbour at Dawn", 734003200, 5412000},
        {QUrl("http://example.com/films/Night%20Market.avi"), "Night Market", 367001600, 1800000},
        {QUrl::fromLocalFile(glacier), "Glacier Walk", 524288000, 2700000},
        {QUrl("http://example.com/films/Desert%20Bloom.mkv"), "Desert Bloom", 209715200, 1260000},
    };
    PluginSession session("orvmedia-gui tests", PluginSession::KeepMessages);
    QString error;
    QVERIFY2(session.load(QString(), &error), qPrintable(error));
    M* library = session.library();
    Held<M::PlaylistInterface> mix;
    QVERIFY(library->newPlaylist("Mix", 1, mix.out()) && mix->save());
    for (const auto& file : files) {
        Held<M::VideoFileInterface> video;
        QVERIFY(library->newVideoFile(file.url, file.title, file.size, file.duration, video.out()));
        QVERIFY(video->save());
        ids[file.title] = video->getId();
        QVERIFY(mix->insertNodeAt(quint64(-1), video->getId()));
    }
    ids["Mix"] = mix->getId();
    Held<M::RecentFileInterface> played;
    QVERIFY(library->newRecentFile(files[0].url, played.out()));
    M::TitlePosition at;
    at.titleId = 0;
    at.positionMsecs = 1820000;
    played->setPositions({at});
    QVERIFY(played->save());
    Held<M::QueuedFileInterface> download;
    QVERIFY(library->newQueuedFile(QUrl("vireo_vod_file://T-1", QUrl::TolerantMode),
                                   "Mountain Rescue", QUrl("http://store.example.com/get/1"),
                                   download.out()));
    download->setDownloadStatus(6);
    download->setPercentComplete(qint64(35));
    QVERIFY(download->save());
}

void LibraryWindowTest::init() {
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    for (const char* name : {"XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"})
        qputenv(name, QFile::encodeName(dir->path() + "/" + name));
    fill();
    asked.clear();
    answer = true;
    window = std::make_unique<LibraryWindow>();
    window->confirm = [this](const QString& question) {
        asked.append(question);
        return answer;
    };
    QString error;
    QVERIFY2(window->open(&error), qPrintable(error));
    window->resize(1100, 700);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    model = window->model();
    view = window->table();
}

void LibraryWindowTest::cleanup() {
    window.reset();
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    dir.reset();
}

qint64 LibraryWindowTest::single(const QString& statement, const QVariant& bound) {
    qint64 value = -1;
    {
        QSqlDatabase db = QSqlDatabase::database(QStringLiteral("check"), false);
        if (!db.isValid()) {
            db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
            db.setDatabaseName(LibraryConnection::libraryFile());
        }
        db.open();
        QSqlQuery query(db);
        query.prepare(statement);
        if (bound.isValid())
            query.addBindValue(bound);
        if (query.exec() && query.next())
            value = query.value(0).toLongLong();
        db.close();
    }
    return value;
}

QList<quint64> LibraryWindowTest::order(const QString& playlist, int type) {
    QList<quint64> nodes;
    QSqlDatabase db = QSqlDatabase::database(QStringLiteral("check"), false);
    if (!db.isValid()) {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(LibraryConnection::libraryFile());
    }
    db.open();
    {
        QSqlQuery query(db);
        query.prepare(type == M::PLAYLIST_TYPE_USER
                          ? "SELECT node_id FROM playlist_item JOIN playlist USING (playlist_id) "
                            "WHERE name = ? ORDER BY play_order"
                          : "SELECT node_id FROM playlist_item JOIN playlist USING (playlist_id) "
                            "WHERE playlist_type = ? ORDER BY play_order");
        query.addBindValue(type == M::PLAYLIST_TYPE_USER ? QVariant(playlist) : QVariant(type));
        query.exec();
        while (query.next())
            nodes.append(query.value(0).toULongLong());
    }
    db.close();
    return nodes;
}

int LibraryWindowTest::sortFlags(const QString& playlist) {
    return int(single("SELECT sort_flags FROM playlist WHERE name = ?", playlist));
}

int LibraryWindowTest::rowOf(const QString& title) const {
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->record(row).title == title)
            return row;
    }
    return -1;
}

QString LibraryWindowTest::shown(int row, PlaylistModel::Column column) const {
    return model->index(row, model->sectionOf(column)).data().toString();
}

// A drop on the table as a drag from a file manager or from the table itself ends: above the
// item at row (below it with below), or past the last item for a row beyond them.
void LibraryWindowTest::dropOn(int row, QMimeData* data, bool below) {
    QPoint at;
    if (row < model->rowCount()) {
        const QRect item =
            view->visualRect(model->index(row, model->sectionOf(PlaylistModel::Title)));
        at = below ? QPoint(item.center().x(), item.bottom() - 1)
                   : QPoint(item.center().x(), item.top() + 1);
    } else {
        at = QPoint(view->viewport()->width() / 2, view->viewport()->height() - 2);
    }
    QDragEnterEvent enter(at, Qt::MoveAction | Qt::CopyAction, data, Qt::LeftButton, {});
    QApplication::sendEvent(view->viewport(), &enter);
    QDropEvent drop(at, Qt::MoveAction | Qt::CopyAction, data, Qt::LeftButton, {});
    QApplication::sendEvent(view->viewport(), &drop);
    delete data;
}

void LibraryWindowTest::tableShowsTheLibrarysRows() {
    const QStringList listed = window->sidebar()->listedNames();
    for (const char* name :
         {"All files", "Videos", "Mix", "Recently played", "Download queue", "Acquired"})
        QVERIFY2(listed.contains(name), name);

    // All files: every video file, in human formats.
    QCOMPARE(model->playlistType(), 1);
    QCOMPARE(model->rowCount(), 4);
    const int harbour = rowOf("Harbour at Dawn");
    QVERIFY(harbour >= 0);
    QCOMPARE(shown(harbour, PlaylistModel::Duration), QStringLiteral("1:30:12"));
    QCOMPARE(shown(harbour, PlaylistModel::Size), QStringLiteral("700 MiB"));
    QCOMPARE(shown(harbour, PlaylistModel::Plays), QStringLiteral("0"));
    QVERIFY(!shown(harbour, PlaylistModel::Added).isEmpty());
    QVERIFY(!window->details()->valueOf("Location").isEmpty());

    // The local file's picture is made and shown; a web address keeps the placeholder.
    QTRY_VERIFY_WITH_TIMEOUT(!window->picturesPending(), 20000);
    const QModelIndex picture = model->index(harbour, model->sectionOf(PlaylistModel::Picture));
    QTRY_COMPARE(picture.data(Qt::DecorationRole).value<QImage>().size(), QSize(80, 45));
    const QImage web =
        model->index(rowOf("Night Market"), 0).data(Qt::DecorationRole).value<QImage>();
    QVERIFY(!web.isNull());
    QVERIFY(web != picture.data(Qt::DecorationRole).value<QImage>());

    // The recent list with its resume position, the queue with status and percent.
    QVERIFY(window->showPlaylistNamed("Recently played"));
    QCOMPARE(model->rowCount(), 1);
    QCOMPARE(shown(0, PlaylistModel::Title), QStringLiteral("Harbour at Dawn"));
    QCOMPARE(shown(0, PlaylistModel::Resume), QStringLiteral("0:30:20"));
    QVERIFY(window->showPlaylistNamed("Download queue"));
    QCOMPARE(shown(0, PlaylistModel::Title), QStringLiteral("Mountain Rescue"));
    QCOMPARE(shown(0, PlaylistModel::Status), QStringLiteral("Stalled"));
    QCOMPARE(shown(0, PlaylistModel::Percent), QStringLiteral("35 %"));
}

void LibraryWindowTest::dropReordersAUserPlaylist() {
    const quint64 a = ids["Harbour at Dawn"], b = ids["Night Market"], c = ids["Glacier Walk"],
                  d = ids["Desert Bloom"];
    QVERIFY(window->showPlaylistNamed("Mix"));
    QCOMPARE(order("Mix"), (QList<quint64>{a, b, c, d}));

    // The last item dragged above the second.
    dropOn(1, model->mimeData({model->index(3, 1)}));
    QCOMPARE(order("Mix"), (QList<quint64>{a, d, b, c}));
    QCOMPARE(shown(1, PlaylistModel::Title), QStringLiteral("Desert Bloom"));

    // Two items dragged past the end keep their order; one dragged below the item after it.
    dropOn(model->rowCount(), model->mimeData({model->index(0, 1), model->index(1, 1)}));
    QCOMPARE(order("Mix"), (QList<quint64>{b, c, a, d}));
    dropOn(1, model->mimeData({model->index(0, 1)}), true);
    QCOMPARE(order("Mix"), (QList<quint64>{c, b, a, d}));
    QCOMPARE(model->rowCount(), 4);

    // A built-in list is not reordered by hand.
    QVERIFY(window->showPlaylistNamed("All files"));
    const QList<quint64> all = order(QString(), 1);
    dropOn(0, model->mimeData({model->index(3, 1)}));
    QCOMPARE(order(QString(), 1), all);
}

void LibraryWindowTest::removesAndDeletesAfterAsking() {
    const quint64 b = ids["Night Market"], c = ids["Glacier Walk"];
    QVERIFY(window->showPlaylistNamed("Mix"));
    view->selectRow(1);
    answer = false;
    QVERIFY(!window->removeSelected());
    QCOMPARE(asked.size(), 1);
    QCOMPARE(model->rowCount(), 4);

    // Out of the playlist, not out of the library.
    answer = true;
    view->selectRow(1);
    QVERIFY(window->removeSelected());
    QVERIFY(!order("Mix").contains(b));
    QCOMPARE(model->rowCount(), 3);
    QCOMPARE(single("SELECT count(*) FROM node WHERE node_id = ?", b), 1);

    // Out of the library: from every playlist.
    QVERIFY(window->showPlaylistNamed("All files"));
    view->selectRow(rowOf("Glacier Walk"));
    QVERIFY(window->deleteSelected());
    QCOMPARE(single("SELECT count(*) FROM node WHERE node_id = ?", c), 0);
    QCOMPARE(model->rowCount(), 3);
    QVERIFY(!order("Mix").contains(c));

    // The recent list loses its entry, the library keeps the file; the queue its download.
    QVERIFY(window->showPlaylistNamed("Recently played"));
    view->selectRow(0);
    QVERIFY(window->removeSelected());
    QCOMPARE(model->rowCount(), 0);
    QCOMPARE(single("SELECT count(*) FROM recent_file"), 0);
    QCOMPARE(single("SELECT count(*) FROM node WHERE node_id = ?", ids["Harbour at Dawn"]), 1);
    QVERIFY(window->showPlaylistNamed("Download queue"));
    view->selectRow(0);
    QVERIFY(window->deleteSelected());
    QCOMPARE(model->rowCount(), 0);
    QCOMPARE(single("SELECT count(*) FROM queued_file"), 0);
    QCOMPARE(asked.size(), 5);
}

void LibraryWindowTest::managesPlaylists() {
    QString error;
    QVERIFY(window->newPlaylist("Road Trip", &error));
    QVERIFY(window->sidebar()->listedNames().contains("Road Trip"));
    QCOMPARE(model->playlistType(), int(M::PLAYLIST_TYPE_USER));
    QCOMPARE(model->rowCount(), 0);
    QVERIFY(!window->newPlaylist("road trip", &error));
    QVERIFY(error.contains("exists already"));

    QVERIFY(window->renamePlaylist("Weekend", &error));
    QVERIFY(window->sidebar()->listedNames().contains("Weekend"));
    QVERIFY(!window->sidebar()->listedNames().contains("Road Trip"));
    QCOMPARE(single("SELECT count(*) FROM playlist WHERE name = 'Weekend'"), 1);
    QVERIFY(!window->renamePlaylist("MIX", &error));
    QVERIFY(window->showPlaylistNamed("Videos"));
    QVERIFY(!window->renamePlaylist("Films", &error));

    QVERIFY(window->showPlaylistNamed("Weekend"));
    QVERIFY(window->removePlaylist(&error));
    QVERIFY(!window->sidebar()->listedNames().contains("Weekend"));
    QCOMPARE(single("SELECT count(*) FROM playlist WHERE name = 'Weekend'"), 0);
    QCOMPARE(model->playlistType(), 1);
}

void LibraryWindowTest::sortsByAColumnHeader() {
    const quint64 a = ids["Harbour at Dawn"], b = ids["Night Market"], c = ids["Glacier Walk"],
                  d = ids["Desert Bloom"];
    QVERIFY(window->showPlaylistNamed("Mix"));
    QHeaderView* header = view->horizontalHeader();
    const auto click = [header](int section) {
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(section) + 10, header->height() / 2));
    };
    const int duration = model->sectionOf(PlaylistModel::Duration);
    click(duration);
    QCOMPARE(sortFlags("Mix"), 24);
    QCOMPARE(order("Mix"), (QList<quint64>{d, b, c, a}));
    QCOMPARE(shown(0, PlaylistModel::Title), QStringLiteral("Desert Bloom"));
    QCOMPARE(header->sortIndicatorSection(), duration);
    click(duration);
    QCOMPARE(sortFlags("Mix"), 25);
    QCOMPARE(order("Mix"), (QList<quint64>{a, c, b, d}));
    QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);

    // A column without a sort key changes nothing; a list that cannot be sorted takes no click.
    click(model->sectionOf(PlaylistModel::Plays));
    QCOMPARE(sortFlags("Mix"), 25);
    QCOMPARE(header->sortIndicatorSection(), duration);
    QVERIFY(window->statusText().contains("cannot be sorted"));
    QVERIFY(window->showPlaylistNamed("Download queue"));
    QVERIFY(!header->sectionsClickable());
}

void LibraryWindowTest::searchesFileNames() {
    window->search("night");
    QCOMPARE(model->rowCount(), 1);
    QCOMPARE(shown(0, PlaylistModel::Title), QStringLiteral("Night Market"));
    window->search("R AT D");
    QCOMPARE(model->rowCount(), 1);
    QCOMPARE(shown(0, PlaylistModel::Title), QStringLiteral("Harbour at Dawn"));
    window->search("*");
    QCOMPARE(model->rowCount(), 0);
    window->search("%");
    QCOMPARE(model->rowCount(), 0);
    window->search(QString());
    QCOMPARE(model->rowCount(), 4);
    // The downloads need not be video files: their titles and addresses are searched.
    QVERIFY(window->showPlaylistNamed("Download queue"));
    window->search("rescue");
    QCOMPARE(model->rowCount(), 1);
}

void LibraryWindowTest::followsChangeMessages() {
    QCOMPARE(model->rowCount(), 4);
    // Another part of the host deletes through the same library: the window hears it on the hub.
    QVERIFY(window->connection()->library()->deleteVideoFile(ids["Night Market"]));
    QTRY_COMPARE(model->rowCount(), 3);
    QCOMPARE(rowOf("Night Market"), -1);

    QVERIFY(window->showPlaylistNamed("Mix"));
    QVERIFY(window->connection()->library()->deletePlaylist(ids["Mix"]));
    QTRY_VERIFY(!window->sidebar()->listedNames().contains("Mix"));
    QCOMPARE(model->playlistType(), 1);
}

void LibraryWindowTest::takesInChangesMadeElsewhere() {
    QEvent away(QEvent::WindowDeactivate);
    QApplication::sendEvent(window.get(), &away);
    for (const QStringList& args :
         {QStringList{"playlist", "new", "Elsewhere"},
          QStringList{"add", "http://example.com/elsewhere.mkv", "--title", "From a terminal"}}) {
        QProcess orvmedia;
        orvmedia.start(QStringLiteral(ORV_ORVMEDIA_PATH), args);
        QVERIFY(orvmedia.waitForFinished(30000));
        QCOMPARE(orvmedia.exitCode(), 0);
    }
    QCOMPARE(model->rowCount(), 4);
    QEvent back(QEvent::WindowActivate);
    QApplication::sendEvent(window.get(), &back);
    QCOMPARE(model->rowCount(), 5);
    QVERIFY(rowOf("From a terminal") >= 0);
    QVERIFY(window->sidebar()->listedNames().contains("Elsewhere"));
}

void LibraryWindowTest::doubleClickOpensAndCountsThePlay() {
    FileOpener opener;
    QDesktopServices::setUrlHandler("file", &opener, "open");
    const int row = rowOf("Glacier Walk");
    const QRect item = view->visualRect(model->index(row, 1));
    // A double click as the platform delivers it: a click, then the double click.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, item.center());
    QDesktopServices::unsetUrlHandler("file");
    QCOMPARE(opener.opened.size(), 1);
    QCOMPARE(opener.opened.first(),
             QUrl::fromLocalFile(QDir(dir->path()).filePath("Glacier Walk.mp4")));
    QCOMPARE(single("SELECT play_count FROM media_file WHERE node_id = ?", ids["Glacier Walk"]), 1);
    QCOMPARE(single("SELECT node_id FROM recent_file ORDER BY last_change DESC LIMIT 1"),
             qint64(ids["Glacier Walk"]));
    QCOMPARE(shown(rowOf("Glacier Walk"), PlaylistModel::Plays), QStringLiteral("1"));
}

void LibraryWindowTest::droppedFilesAreScannedIntoThePlaylist() {
    const QString boats = QDir(dir->path()).filePath("new/Paper Boats.mkv");
    QDir().mkpath(QFileInfo(boats).path());
    QVERIFY(QFile::copy(clip("a.mkv"), boats));
    QVERIFY(window->showPlaylistNamed("Mix"));
    QSignalSpy finished(window.get(), &LibraryWindow::scanFinished);
    auto* files = new QMimeData;
    files->setUrls({QUrl::fromLocalFile(QFileInfo(boats).path())});
    dropOn(1, files);
    QVERIFY(window->isScanning());
    QVERIFY(finished.wait(60000));
    QCOMPARE(finished.first().first().toBool(), true);
    QVERIFY(!window->findChild<QProgressBar*>()->isVisible());
    const QList<quint64> mix = order("Mix");
    QCOMPARE(mix.size(), 5);
    QCOMPARE(single("SELECT node_id FROM node WHERE name = 'Paper Boats.mkv'"), qint64(mix.at(1)));
    QCOMPARE(shown(1, PlaylistModel::Title), QStringLiteral("Paper Boats"));
    QVERIFY(window->sidebar()->listedNames().contains("Mix"));
}

// The window's backup: one a day beside the library, a copy that opens with the same rows;
// started again the same day it takes none.
void LibraryWindowTest::takesADailyBackup() {
    const QString library = LibraryConnection::libraryFile();
    DailyBackup backups(library);
    QSignalSpy done(&backups, &DailyBackup::done);
    backups.start();
    QVERIFY(done.wait(30000));
    const QString taken = done.at(0).at(0).toString();
    QCOMPARE(done.at(0).at(1).toString(), QString());
    QVERIFY(taken.startsWith(library + "."));
    const qint64 files = single(QStringLiteral("SELECT count(*) FROM media_file"));
    {
        QSqlDatabase copy = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "copy");
        copy.setDatabaseName(taken);
        QVERIFY(copy.open());
        QSqlQuery query(QStringLiteral("SELECT count(*) FROM media_file"), copy);
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toLongLong(), files);
    }
    QSqlDatabase::removeDatabase("copy");
    backups.start();
    QVERIFY(done.wait(30000));
    QCOMPARE(done.at(1).at(0).toString(), QString());
}

void LibraryWindowTest::screenshotOfTheDemoLibrary() {
    // The demo library in a data folder of its own, as a person makes it, then the window's
    // picture of it for people to look at in the build folder.
    QTemporaryDir demo;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_DATA_HOME", demo.path() + "/data");
    environment.insert("XDG_CACHE_HOME", demo.path() + "/cache");
    environment.insert("XDG_CONFIG_HOME", demo.path() + "/config");
    environment.remove("QT_QPA_PLATFORM");
    const QString picture = QStringLiteral(ORV_SCREENSHOT_PATH);
    QFile::remove(picture);
    for (const auto& [program, args] :
         {std::make_pair(QStringLiteral(ORV_ORVMEDIA_PATH), QStringList{"demo"}),
          std::make_pair(QStringLiteral(ORV_GUI_PATH), QStringList{"--screenshot", picture})}) {
        QProcess run;
        run.setProcessEnvironment(environment);
        run.start(program, args);
        QVERIFY(run.waitForFinished(120000));
        QVERIFY2(run.exitCode() == 0, run.readAllStandardError().constData());
    }
    const QImage shot(picture);
    QCOMPARE(shot.size(), QSize(1280, 760));
    // The first row's picture is the demo clip's, not the placeholder: many colours in it.
    QSet<QRgb> colours;
    for (int x = 220; x < 296; ++x)
        colours.insert(shot.pixel(x, 95));
    QVERIFY2(colours.size() > 10, "the first row shows no picture");
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    LibraryWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "LibraryWindowTest.moc"
