#include "MaintenanceFixture.h"

#include "LibraryRules.h"
#include "Sqlite.h"

#include <QDir>
#include <QFile>

#include <random>
#include <sys/wait.h>
#include <unistd.h>

using namespace LibraryMaintenance;

namespace {
typedef VireoStudio::MediaManagerInterface M;
} // namespace

void MaintenanceFixture::SetUp() {
    LegacyFixture::SetUp();
    ASSERT_TRUE(QDir().mkpath(playerFolder()));
    setRecentFileMaximum(kRecentMaximum);
}

void MaintenanceFixture::buildLibrary(int files) {
    startPlugin();
    ASSERT_TRUE(library->isOpen());
    ASSERT_TRUE(library->beginTransaction());
    M::PlaylistInterface* favourites = nullptr;
    ASSERT_TRUE(library->newPlaylist(QStringLiteral("Favourites"), 1, &favourites));
    ASSERT_TRUE(favourites->save());
    for (int i = 0; i < files; ++i) {
        const QUrl url(QStringLiteral("file:///media/library/clip%1.avi").arg(i));
        M::VideoFileInterface* file = nullptr;
        ASSERT_TRUE(library->newVideoFile(url, QStringLiteral("Clip %1").arg(i), 1000 + i,
                                          60000 + i, &file));
        ASSERT_TRUE(file->save());
        if (i % 3 == 0) {
            EXPECT_TRUE(
                favourites->insertNodeAt(quint64(favourites->getItemCount()), file->getId()));
        }
        file->release();
        M::RecentFileInterface* recent = nullptr;
        if (i % 10 == 0 && library->newRecentFile(url, &recent)) {
            recent->setPositions(
                {M::TitlePosition{1, 2, 3, i * 1000}, M::TitlePosition{2, 1, 0, i}});
            EXPECT_TRUE(recent->save());
            recent->release();
        }
    }
    favourites->release();
    M::QueuedFileInterface* download = nullptr;
    ASSERT_TRUE(library->newQueuedFile(
        QUrl(QStringLiteral("file:///media/downloads/new.avi")), QStringLiteral("New"),
        QUrl(QStringLiteral("http://example.com/new.avi")), &download));
    EXPECT_TRUE(download->save());
    download->release();
    ASSERT_TRUE(library->commitTransaction());
    stopPlugin();
}

QStringList MaintenanceFixture::rowsOf(const QString& path) {
    Connection db;
    QString error;
    EXPECT_TRUE(db.open(path, SQLITE_OPEN_READONLY, &error)) << error.toStdString();
    QStringList rows;
    for (const char* table : kLibraryTables) {
        Statement select(
            db.get(), QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(QLatin1String(table)));
        EXPECT_TRUE(select.prepared()) << table << ": " << select.error().toStdString();
        const int columns = select.prepared() ? sqlite3_column_count(select.get()) : 0;
        Statement quote(db.get(), QStringLiteral("SELECT quote(?1)"));
        int rc = select.prepared() ? select.step() : SQLITE_DONE;
        for (; rc == SQLITE_ROW; rc = select.step()) {
            QStringList values{QLatin1String(table)};
            for (int i = 0; i < columns; ++i) {
                quote.reset();
                sqlite3_bind_value(quote.get(), 1, sqlite3_column_value(select.get(), i));
                quote.step();
                values << quote.text(0);
            }
            rows << values.join(QLatin1Char('|'));
        }
        EXPECT_EQ(rc, SQLITE_DONE) << table << ": " << select.error().toStdString();
    }
    return rows;
}

QMap<QString, qint64> MaintenanceFixture::rowsPerTable(const QStringList& rows) {
    QMap<QString, qint64> counts;
    for (const QString& row : rows)
        ++counts[row.section(QLatin1Char('|'), 0, 0)];
    return counts;
}

void MaintenanceFixture::damagePage(const QString& path, const QString& object) {
    int page = 0;
    int pageSize = 0;
    {
        Connection db;
        QString error;
        ASSERT_TRUE(db.open(path, SQLITE_OPEN_READONLY, &error)) << error.toStdString();
        Statement pages(db.get(), QStringLiteral("SELECT pageno FROM dbstat WHERE name = ?1 AND "
                                                 "pagetype = 'leaf' ORDER BY pageno"));
        pages.bind(1, QVariant(object));
        QList<int> leaves;
        while (pages.step() == SQLITE_ROW)
            leaves << int(pages.int64(0));
        ASSERT_FALSE(leaves.isEmpty()) << object.toStdString() << " has no leaf page";
        page = leaves.at(leaves.size() / 2);
        Statement size(db.get(), QStringLiteral("PRAGMA page_size"));
        ASSERT_EQ(size.step(), SQLITE_ROW);
        pageSize = int(size.int64(0));
    }
    std::mt19937 random{quint32(page)};
    QByteArray noise(pageSize, '\0');
    for (char& byte : noise)
        byte = char(random());
    QByteArray bytes = bytesOf(path);
    bytes.replace(qsizetype(page - 1) * pageSize, pageSize, noise);
    writeBytes(path, bytes);
}

void MaintenanceFixture::execOn(const QString& path, const char* sql) {
    Connection db;
    QString error;
    ASSERT_TRUE(db.open(path, SQLITE_OPEN_READWRITE, &error)) << error.toStdString();
    sqlite3_db_config(db.get(), SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    EXPECT_TRUE(db.exec(sql, &error)) << sql << ": " << error.toStdString();
}

void MaintenanceFixture::leaveJournal(const QString& path) {
    const QByteArray file = QFile::encodeName(path);
    const pid_t child = fork();
    if (child == 0) {
        sqlite3* db = nullptr;
        sqlite3_open(file.constData(), &db);
        sqlite3_exec(db,
                     "PRAGMA cache_size = 1; BEGIN; UPDATE media_file SET title = 'changed'; "
                     "DELETE FROM playlist_item;",
                     nullptr, nullptr, nullptr);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(QFile::exists(path + QStringLiteral("-journal")));
}

QByteArray MaintenanceFixture::bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void MaintenanceFixture::writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QStringList MaintenanceFixture::filesBeside() const {
    QStringList files = QDir(playerFolder()).entryList(QDir::Files, QDir::Name);
    files.removeAll(QStringLiteral("Media Library"));
    return files;
}

RepairResult MaintenanceFixture::repair(RepairReport* report, QString* error, int recentMaximum) {
    closeCheckDatabase();
    RepairOptions options;
    options.pluginPath = QStringLiteral(ORV_PLUGIN_PATH);
    options.recentMaximum = recentMaximum;
    QString message;
    const RepairResult result = repairLibrary(libraryPath(), options, report, &message);
    if (error)
        *error = message;
    else
        EXPECT_NE(result, RepairResult::Failed) << message.toStdString();
    return result;
}
