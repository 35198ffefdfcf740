// Recovery of downloads a stopped player left unfinished: which rows go back to the start, and
// which partial-download files beside their temporary files are deleted.

#include "support/PluginFixture.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

namespace {

class DownloadRecovery : public PluginFixture {
protected:
    // A queued download with the given node id, status, progress and temp_uri (NULL when
    // invalid).
    void addDownload(qint64 id, int status, qint64 percent, const QVariant& tempUri = QVariant()) {
        exec(QStringLiteral("INSERT INTO node (node_id, uri, name) VALUES (%1, 'http://cdn/%1', "
                            "'n%1')")
                 .arg(id));
        exec(QStringLiteral("INSERT INTO media_file (node_id, media_file_type) VALUES (%1, 0)")
                 .arg(id));
        exec(QStringLiteral("INSERT INTO acquired_file (node_id) VALUES (%1)").arg(id));
        QSqlQuery query(checkDatabase());
        query.prepare(QStringLiteral("INSERT INTO queued_file (node_id, temp_uri, download_url, "
                                     "download_status, percent_complete) "
                                     "VALUES (:ID, :TEMP, 'http://dl/x', :STATUS, :PERCENT)"));
        query.bindValue(QStringLiteral(":ID"), id);
        query.bindValue(QStringLiteral(":TEMP"), tempUri.isValid() ? tempUri : QVariant());
        query.bindValue(QStringLiteral(":STATUS"), status);
        query.bindValue(QStringLiteral(":PERCENT"), percent);
        ASSERT_TRUE(query.exec()) << query.lastError().text().toStdString();
    }
    QVariant column(qint64 id, const QString& column) {
        return scalar(
            QStringLiteral("SELECT %1 FROM queued_file WHERE node_id = %2").arg(column).arg(id));
    }
    // Whether a row is back at the start: status 1, 0 % and an empty (not NULL) temp_uri.
    void expectReset(qint64 id) {
        EXPECT_EQ(column(id, QStringLiteral("download_status")).toInt(), 1) << id;
        EXPECT_EQ(column(id, QStringLiteral("percent_complete")).toInt(), 0) << id;
        const QVariant temp = column(id, QStringLiteral("temp_uri"));
        EXPECT_FALSE(temp.isNull()) << id;
        EXPECT_EQ(temp.toString(), QString()) << id;
    }
    void expectUnchanged(qint64 id, int status, qint64 percent, const QString& tempUri) {
        EXPECT_EQ(column(id, QStringLiteral("download_status")).toInt(), status) << id;
        EXPECT_EQ(column(id, QStringLiteral("percent_complete")).toLongLong(), percent) << id;
        EXPECT_EQ(column(id, QStringLiteral("temp_uri")).toString(), tempUri) << id;
    }
    // A folder below the test's temporary folder, and files in it.
    QString folder(const QString& name) {
        const QString path = dir->path() + QLatin1Char('/') + name;
        EXPECT_TRUE(QDir().mkpath(path));
        return path;
    }
    void touch(const QString& folder, const QStringList& names) {
        for (const QString& name : names) {
            QFile file(folder + QLatin1Char('/') + name);
            EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << qPrintable(file.fileName());
        }
    }
    QStringList filesIn(const QString& folder) {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    static QString fileUrl(const QString& path) { return QUrl::fromLocalFile(path).toString(); }
};

TEST_F(DownloadRecovery, OnlyUnfinishedDownloadsGoBackToTheStartWithTheirSideFiles) {
    EXPECT_TRUE(library->resetInterruptedDownloads()) << "an empty queue";

    const QString dl = folder(QStringLiteral("dl"));
    const QStringList sides = {QStringLiteral(".ddat"), QStringLiteral(".dinfo"),
                               QStringLiteral(".dmsk")};
    QStringList all;
    for (const char* name : {"running", "full", "stalled", "done", "paused"}) {
        const QString base = QLatin1String(name);
        all << base + QStringLiteral(".part");
        for (const QString& side : sides)
            all << base + side;
    }
    touch(dl, all);
    const auto temp = [&](const char* base) { return fileUrl(dl + "/" + base + ".part"); };
    addDownload(1, 1, 50, temp("running"));
    addDownload(2, 1, 100, temp("full"));
    addDownload(3, 6, 100, temp("stalled"));
    addDownload(4, 4, 30, temp("done"));
    addDownload(5, 5, 0, temp("paused"));

    EXPECT_TRUE(library->resetInterruptedDownloads());
    expectReset(1);
    expectReset(3);
    expectUnchanged(2, 1, 100, temp("full"));
    expectUnchanged(4, 4, 30, temp("done"));
    expectUnchanged(5, 5, 0, temp("paused"));
    QStringList left = all;
    for (const QString& side : sides) {
        left.removeAll(QStringLiteral("running") + side);
        left.removeAll(QStringLiteral("stalled") + side);
    }
    left.sort();
    EXPECT_EQ(filesIn(dl), left) << "the temporary files themselves stay";

    // Nothing left to reset: a second run changes nothing.
    EXPECT_TRUE(library->resetInterruptedDownloads());
    expectUnchanged(2, 1, 100, temp("full"));
    EXPECT_EQ(filesIn(dl), left);
}

TEST_F(DownloadRecovery, SideFilesShareTheTemporaryFilesNameUpToItsFirstDot) {
    const QString spaced = folder(QStringLiteral("my downloads"));
    touch(spaced, {"a.b.part", "a.ddat", "a.dinfo", "a.dmsk", "a.b.ddat", "b.ddat"});
    addDownload(1, 1, 10, fileUrl(spaced + "/a.b.part"));

    // Percent-encoded, and naming one of the side files itself.
    const QString dl = folder(QStringLiteral("dl"));
    touch(dl, {"movie.ddat", "movie.dinfo", "movie.avi"});
    addDownload(2, 6, 10, QUrl::fromLocalFile(dl + "/movie.ddat").toString(QUrl::FullyEncoded));

    // A path stored without a scheme.
    const QString plain = folder(QStringLiteral("plain"));
    touch(plain, {"x.dmsk", "y.dmsk"});
    addDownload(3, 1, 0, plain + "/x.part");

    EXPECT_TRUE(library->resetInterruptedDownloads());
    EXPECT_EQ(filesIn(spaced), QStringList({"a.b.ddat", "a.b.part", "b.ddat"}));
    EXPECT_EQ(filesIn(dl), QStringList({"movie.avi"}));
    EXPECT_EQ(filesIn(plain), QStringList({"y.dmsk"}));
    expectReset(1);
    expectReset(2);
    expectReset(3);
}

// Temporary files this system cannot place are never looked up below the working folder: a
// drive-letter path, or an empty text.
TEST_F(DownloadRecovery, TempUrisThatNameNoFileHereTouchNothing) {
    const QString work = folder(QStringLiteral("work"));
    folder(QStringLiteral("work/C:/dl"));
    folder(QStringLiteral("work/dl"));
    touch(work, {".ddat", ".dinfo"});
    touch(work + "/C:/dl", {"movie.ddat", "movie.dinfo", "movie.dmsk"});
    touch(work + "/dl", {"clip.ddat"});
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(work));

    addDownload(1, 1, 20, QStringLiteral(""));
    addDownload(2, 1, 20);
    addDownload(3, 6, 20, QStringLiteral("file:///C:/dl/movie.ddat"));
    addDownload(4, 6, 20, QStringLiteral("file:///dl/clip.part")); // /dl, not work/dl
    EXPECT_TRUE(library->resetInterruptedDownloads());
    QDir::setCurrent(previous);

    for (qint64 id : {1, 2, 3, 4})
        expectReset(id);
    EXPECT_EQ(filesIn(work), QStringList({".ddat", ".dinfo"}));
    EXPECT_EQ(filesIn(work + "/C:/dl"), QStringList({"movie.ddat", "movie.dinfo", "movie.dmsk"}));
    EXPECT_EQ(filesIn(work + "/dl"), QStringList({"clip.ddat"}));
}

TEST_F(DownloadRecovery, RowsAreResetOneByOneTheLastSelectedFirst) {
    exec(QStringLiteral("CREATE TABLE reset_log (node_id INTEGER)"));
    exec(QStringLiteral("CREATE TRIGGER log_reset AFTER UPDATE ON queued_file "
                        "BEGIN INSERT INTO reset_log VALUES (new.node_id); END"));
    const qint64 big = (qint64(1) << 32) + 7;
    addDownload(5, 1, 40);
    addDownload(big, 6, 0);
    EXPECT_TRUE(library->resetInterruptedDownloads());
    QList<qint64> order;
    QSqlQuery log(checkDatabase());
    ASSERT_TRUE(log.exec(QStringLiteral("SELECT node_id FROM reset_log ORDER BY rowid")));
    while (log.next())
        order << log.value(0).toLongLong();
    EXPECT_EQ(order, QList<qint64>({big, 5}));
    expectReset(5);
    expectReset(big);
}

TEST_F(DownloadRecovery, IdsAboveThirtyOneBitsResetTheirOwnRows) {
    const qint64 above31 = (qint64(1) << 31) + 5;
    const qint64 above32 = (qint64(1) << 32) + 3;
    addDownload(5, 4, 100, QStringLiteral("file:///done/5"));
    addDownload(3, 4, 100, QStringLiteral("file:///done/3"));
    addDownload(above31, 1, 10);
    addDownload(above32, 6, 10);
    EXPECT_TRUE(library->resetInterruptedDownloads());
    expectReset(above31);
    expectReset(above32);
    expectUnchanged(5, 4, 100, QStringLiteral("file:///done/5"));
    expectUnchanged(3, 4, 100, QStringLiteral("file:///done/3"));
}

TEST_F(DownloadRecovery, AQueueThatCannotBeReadClosesTheLibrary) {
    exec(QStringLiteral("DROP TABLE queued_file"));
    EXPECT_FALSE(library->resetInterruptedDownloads());
    EXPECT_FALSE(library->isOpen());
    EXPECT_EQ(library->getPlaylistCount(2), 0);
}

} // namespace
