// A player killed while its first start-up imports an older release's library: whatever I/O
// call the process dies at, the library file that is left holds the whole import or nothing of
// it, SQLite finds it sound, and the next start finishes the work.

#include "ReliabilityFixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSqlQuery>

#include <algorithm>
#include <csignal>
#include <set>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

const int kLegacyFiles = 2000;
// Crash points are tried until this much time has gone (the points that matter most first).
const qint64 kTimeBudgetMs = 45000;

struct ChildRun {
    bool killed = false;
    int exitCode = -1;
    QString output;
};

// What the child counted on a run to the end.
struct CallPlan {
    quint64 calls = 0;
    quint64 journalWrite = 0;
    quint64 libraryWrite = 0;
    quint64 journalDelete = 0;
};

class CrashDuringImport : public ReliabilityFixture {
protected:
    // An older release's library of kLegacyFiles files, some of them in two playlists.
    void buildLegacyTemplate() {
        LegacyDatabase legacy(templatePath());
        legacy.exec(QStringLiteral("BEGIN"));
        for (int i = 1; i <= kLegacyFiles; ++i)
            legacy.addFile(i, QStringLiteral("file:///media/clips/clip%1.avi").arg(i));
        legacy.addPlaylist(10001, QStringLiteral("All Videos"));
        legacy.addPlaylist(10002, QStringLiteral("Favourites"));
        for (int i = 1; i <= 300; ++i)
            legacy.addMember(10001, i);
        for (int i = 1; i <= kLegacyFiles; i += 40)
            legacy.addMember(10002, i);
        legacy.exec(QStringLiteral("COMMIT"));
    }

    QString templatePath() const { return dir->path() + QStringLiteral("/template/Database.dat"); }
    QString runHome(quint64 k) const { return dir->path() + QStringLiteral("/run-%1").arg(k); }
    static QString libraryIn(const QString& home) {
        return home + QStringLiteral("/Vireo/Vireo Studio/Media Library");
    }

    // Starts the child on a data folder of its own, with a copy of the older release's
    // library, and waits for it.
    ChildRun runChild(quint64 k) {
        ChildRun run;
        const QString home = runHome(k);
        const QString legacyFolder = home + QStringLiteral("/Vireo/Vireo Player");
        EXPECT_TRUE(QDir().mkpath(legacyFolder));
        EXPECT_TRUE(QFile::copy(templatePath(), legacyFolder + QStringLiteral("/Database.dat")));
        const QByteArray outputPath = QFile::encodeName(home + QStringLiteral("/child.out"));
        const QByteArray program = ORV_CRASH_CHILD_PATH;
        const QByteArray homeArg = QFile::encodeName(home);
        const QByteArray kArg = QByteArray::number(k);
        char* argv[] = {const_cast<char*>(program.constData()),
                        const_cast<char*>(homeArg.constData()), const_cast<char*>(kArg.constData()),
                        nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outputPath.constData(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = 0;
        const int spawned =
            posix_spawn(&pid, program.constData(), &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        EXPECT_EQ(spawned, 0) << program.constData();
        if (spawned != 0)
            return run;
        int status = 0;
        waitpid(pid, &status, 0);
        run.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        QFile output(QString::fromLocal8Bit(outputPath));
        if (output.open(QIODevice::ReadOnly))
            run.output = QString::fromLocal8Bit(output.readAll()).trimmed();
        return run;
    }

    static quint64 field(const QString& output, const char* name) {
        const QRegularExpression pattern(QStringLiteral("\\b%1=(\\d+)").arg(QLatin1String(name)));
        return pattern.match(output).captured(1).toULongLong();
    }

    // The rows of the library a run left, or an empty list when it holds no table (or there is
    // no file); integrity problems are test failures.
    static QStringList libraryLeftBy(const QString& home) {
        const QString path = libraryIn(home);
        if (!QFile::exists(path))
            return {};
        return orvtest::withConnection(path, [&](const QSqlDatabase& db) {
            QSqlQuery tables(db);
            if (!tables.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) ||
                !tables.next()) {
                ADD_FAILURE() << "the library left at " << path.toStdString() << " is unreadable";
                return QStringList();
            }
            if (tables.value(0).toInt() == 0)
                return QStringList();
            const QStringList problems = orvtest::libraryIntegrityProblems(db);
            EXPECT_LIBRARY_INTACT(problems);
            return orvtest::dumpLibrary(db);
        });
    }

    // Every crash point, most telling first: both sides of the commit point (the journal's
    // deletion), the start of the writes to the journal and to the library, the commit spread
    // evenly, then the rest in order as time allows.
    static std::vector<quint64> crashPoints(const CallPlan& plan) {
        std::vector<quint64> points;
        std::set<quint64> taken;
        auto add = [&](qint64 k) {
            if (k >= 1 && quint64(k) <= plan.calls && taken.insert(quint64(k)).second)
                points.push_back(quint64(k));
        };
        const qint64 commitPoint = qint64(plan.journalDelete);
        const qint64 firstWrite = qint64(std::min(plan.journalWrite, plan.libraryWrite));
        for (qint64 offset = 0; offset >= -4; --offset)
            add(commitPoint + offset);
        for (qint64 k = firstWrite - 2; k <= firstWrite + 4; ++k)
            add(k);
        for (qint64 k = qint64(plan.libraryWrite) - 1; k <= qint64(plan.libraryWrite) + 3; ++k)
            add(k);
        for (int i = 1; i < 16; ++i)
            add(firstWrite + (commitPoint - firstWrite) * i / 16);
        for (quint64 k = 1; k <= plan.calls; ++k)
            add(qint64(k));
        return points;
    }
};

TEST_F(CrashDuringImport, KilledAtAnyIoCallLeavesTheWholeImportOrNoneOfIt) {
    buildLegacyTemplate();

    // A run to the end: the complete library, and where its calls fall.
    const ChildRun full = runChild(0);
    ASSERT_EQ(full.exitCode, 0) << full.output.toStdString();
    CallPlan plan;
    plan.calls = field(full.output, "calls");
    plan.journalDelete = field(full.output, "journal_delete");
    plan.libraryWrite = field(full.output, "library_write");
    plan.journalWrite = field(full.output, "journal_write");
    ASSERT_GT(plan.journalDelete, plan.libraryWrite) << full.output.toStdString();
    ASSERT_GT(plan.libraryWrite, 0u) << full.output.toStdString();
    const QStringList whole = libraryLeftBy(runHome(0));
    ASSERT_GE(whole.filter(QRegularExpression(QStringLiteral("^video_file\\|"))).size(),
              kLegacyFiles);
    // The older release's file is only ever read.
    QFile original(templatePath());
    QFile read(runHome(0) + QStringLiteral("/Vireo/Vireo Player/Database.dat"));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly) && read.open(QIODevice::ReadOnly));
    EXPECT_EQ(read.readAll(), original.readAll());

    QElapsedTimer clock;
    clock.start();
    int tried = 0;
    int none = 0;
    int complete = 0;
    bool restartedAfterNone = false;
    for (quint64 k : crashPoints(plan)) {
        if (clock.elapsed() > kTimeBudgetMs && tried >= 12)
            break;
        SCOPED_TRACE(testing::Message() << "killed at I/O call " << k << " of " << plan.calls);
        const ChildRun run = runChild(k);
        ASSERT_TRUE(run.killed) << run.output.toStdString();
        ++tried;
        const QStringList left = libraryLeftBy(runHome(k));
        if (left.isEmpty()) {
            ++none;
            EXPECT_LT(k, plan.journalDelete);
        } else {
            ++complete;
            EXPECT_TRUE(left == whole) << orvtest::rowDifference(left, whole);
            EXPECT_GE(k, plan.journalDelete);
        }
        // A start after the crash finishes what the crash interrupted, from a hot journal too.
        if (left.isEmpty() && k > plan.libraryWrite && !restartedAfterNone) {
            restartedAfterNone = true;
            qputenv("XDG_DATA_HOME", QFile::encodeName(runHome(k)));
            startPlugin();
            EXPECT_TRUE(library->isOpen());
            stopPlugin();
            qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome()));
            const QStringList finished = libraryLeftBy(runHome(k));
            EXPECT_TRUE(finished == whole) << orvtest::rowDifference(finished, whole);
        }
        QDir(runHome(k)).removeRecursively();
    }
    EXPECT_GT(none, 0);
    EXPECT_GT(complete, 0);
    EXPECT_TRUE(restartedAfterNone);
    std::printf("crash points tried: %d of %llu I/O calls (%d without the import, %d with all of "
                "it) in %lld ms\n",
                tried, static_cast<unsigned long long>(plan.calls), none, complete,
                static_cast<long long>(clock.elapsed()));
}

} // namespace
