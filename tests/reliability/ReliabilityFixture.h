#pragma once

// Shared by the reliability suites: a plugin fixture that can lay out an older release's files,
// the library's integrity checks as test expectations, and a dump of every row for telling
// "unchanged" and "complete" apart.

#include "LibraryIntegrity.h"
#include "migration/LegacyFixture.h"

#include <QSqlDatabase>
#include <QStringList>

#include <string>

namespace orvtest {

// Every row of every table as text ("table|col|col..."), tables by name, rows by rowid. Columns
// the clock fills in (create_date, last_change) read as "*", so that two runs of the same steps
// dump alike.
QStringList dumpLibrary(const QSqlDatabase& db);

// The rows one dump has and the other lacks, "+" for left only and "-" for right only, for a
// failure message.
std::string rowDifference(const QStringList& left, const QStringList& right);

QSqlDatabase openConnection(const QString& name, const QString& path);
void closeConnection(const QString& name);

// Runs fn with a connection of its own to the file at path, and closes it afterwards.
template <typename Fn> auto withConnection(const QString& path, Fn fn) {
    static int serial = 0;
    const QString name = QStringLiteral("reliability-%1").arg(++serial);
    struct Closer {
        QString name;
        ~Closer() { closeConnection(name); }
    } closer{name};
    return fn(openConnection(name, path));
}

} // namespace orvtest

// The library's integrity as an assertion that names every broken rule.
#define EXPECT_LIBRARY_INTACT(problems)                                                            \
    EXPECT_TRUE((problems).isEmpty()) << (problems).join(QLatin1Char('\n')).toStdString()

class ReliabilityFixture : public LegacyFixture {
protected:
    // The data folder goes to memory-backed storage where there is some: these suites commit
    // thousands of times, and what they test is not how fast a disk syncs.
    void SetUp() override;
    void TearDown() override;

    QStringList dumpLibrary() { return orvtest::dumpLibrary(checkDatabase()); }
    // Gives the recent files distinct stamps in the past, in the order they were stored: plays
    // recorded within one millisecond share a stamp, and the trim keeps those together.
    void stampPlaysInOrder();
    // The integrity checks, each broken rule a test failure.
    void expectIntact(int recentMaximum = orvtest::kDefaultRecentMaximum);

private:
    QByteArray savedTemporaryFolder;
};
