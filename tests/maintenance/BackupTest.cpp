// backup while the player writes gives the library as its last commit left it; restore checks
// the copy first and keeps the library it replaces; a damaged library is neither backed up nor
// restored; the daily backup is taken once a day and keeps the newest few.

#include "MaintenanceFixture.h"

#include "LibraryBackup.h"

#include <QFile>

namespace {

using namespace LibraryMaintenance;
typedef VireoStudio::MediaManagerInterface M;

TEST_F(MaintenanceFixture, BackupWhileThePlayerWritesAndRestoreKeepsWhatItReplaces) {
    buildLibrary(300);
    const QString path = libraryPath();
    const QStringList committed = rowsOf(path);
    const QString backup = dir->path() + QStringLiteral("/backup");

    startPlugin();
    ASSERT_TRUE(library->beginTransaction());
    for (int i = 0; i < 50; ++i) {
        M::VideoFileInterface* file = nullptr;
        ASSERT_TRUE(library->newVideoFile(QUrl(QStringLiteral("file:///later/%1.avi").arg(i)),
                                          QStringLiteral("Later"), 1, 2, &file));
        EXPECT_TRUE(file->save());
        file->release();
    }
    QString error;
    ASSERT_TRUE(backupLibrary(path, backup, &error)) << error.toStdString();
    EXPECT_FALSE(backupLibrary(path, backup, &error)) << "a backup overwrote a file";
    ASSERT_TRUE(library->commitTransaction());
    stopPlugin();
    EXPECT_EQ(rowsOf(backup), committed);

    damagePage(path, "node");
    const QByteArray damaged = bytesOf(path);
    const QString second = dir->path() + QStringLiteral("/second");
    EXPECT_FALSE(backupLibrary(path, second, &error));
    EXPECT_FALSE(QFile::exists(second));
    QString keptAs;
    const QDateTime now = QDateTime::currentDateTime();
    ASSERT_TRUE(restoreLibrary(path, backup, kRecentMaximum, now, &keptAs, &error))
        << error.toStdString();
    EXPECT_EQ(rowsOf(path), committed);
    EXPECT_TRUE(bytesOf(keptAs) == damaged);
    // The damaged library is no backup to restore.
    EXPECT_FALSE(restoreLibrary(path, keptAs, kRecentMaximum, now, &keptAs, &error));
    EXPECT_EQ(rowsOf(path), committed);

    QString taken;
    for (int day = 1; day <= 3; ++day) {
        const QDateTime when(QDate(2024, 5, day), QTime(12, 0));
        ASSERT_TRUE(dailyBackup(path, 2, when, &taken, &error)) << error.toStdString();
        EXPECT_TRUE(taken.endsWith(when.toString(QStringLiteral("yyyyMMdd"))));
        ASSERT_TRUE(dailyBackup(path, 2, when.addSecs(3600), &taken, &error));
        EXPECT_TRUE(taken.isEmpty()) << "a second backup on one day";
    }
    EXPECT_EQ(filesBeside().filter(QStringLiteral(".daily-")),
              (QStringList{QStringLiteral("Media Library.daily-20240502"),
                           QStringLiteral("Media Library.daily-20240503")}));
}

} // namespace
