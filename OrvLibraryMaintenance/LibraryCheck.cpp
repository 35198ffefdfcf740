#include "LibraryCheck.h"

#include "LibraryFiles.h"
#include "LibraryHeader.h"
#include "LibraryRules.h"
#include "Sqlite.h"

#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace LibraryMaintenance {

namespace {

// Findings of one table or index beyond these are counted, not listed.
const int kFindingsPerObject = 5;

const char kSchemaObjects[] = "SELECT type, name, tbl_name, rootpage FROM sqlite_master";
// Which table or index each page belongs to, as far as the b-trees can still be walked.
const char kPageOwners[] = "SELECT name, pageno FROM dbstat";

// Names the table or index an integrity finding is about: one the finding names itself, else
// the owner of the first page it names.
class PageOwners {
public:
    explicit PageOwners(sqlite3* db) {
        Statement objects(db, QLatin1String(kSchemaObjects));
        while (objects.prepared() && objects.step() == SQLITE_ROW) {
            const QString name = objects.text(1);
            tableOf.insert(name, objects.text(2));
            isIndex.insert(name, objects.text(0) == QLatin1String("index"));
            owner.insert(objects.int64(3), name);
        }
        // Without the dbstat table (an SQLite built without it) only root pages are named.
        Statement pages(db, QLatin1String(kPageOwners));
        while (pages.prepared() && pages.step() == SQLITE_ROW)
            owner.insert(pages.int64(1), pages.text(0));
    }

    QString objectOf(const QString& finding) const {
        static const QRegularExpression namedIndex(QStringLiteral("\\bindex (\\w+)"));
        static const QRegularExpression page(QStringLiteral("\\b[Pp]age (\\d+)"));
        static const QRegularExpression tree(QStringLiteral("\\bTree (\\d+)"));
        QRegularExpressionMatch match = namedIndex.match(finding);
        if (match.hasMatch() && tableOf.contains(match.captured(1)))
            return match.captured(1);
        match = page.match(finding);
        if (match.hasMatch() && owner.contains(match.captured(1).toLongLong()))
            return owner.value(match.captured(1).toLongLong());
        match = tree.match(finding);
        if (match.hasMatch())
            return owner.value(match.captured(1).toLongLong());
        return QString();
    }

    QString describe(const QString& object) const {
        if (object == QLatin1String("sqlite_schema") || object == QLatin1String("sqlite_master"))
            return QStringLiteral("the schema table");
        if (isIndex.value(object))
            return QStringLiteral("index %1 of table %2").arg(object, tableOf.value(object));
        return QStringLiteral("table %1").arg(object);
    }

private:
    QHash<QString, QString> tableOf;
    QHash<QString, bool> isIndex;
    QHash<qint64, QString> owner;
};

Problems readProblems(const QString& path, int flags, int recentMaximum) {
    Connection connection;
    QString error;
    if (!openForReading(connection, path, flags, &error))
        return {{QStringLiteral("unreadable"), QString(),
                 QStringLiteral("SQLite cannot open the file: %1").arg(error)}};
    Problems problems = integrityProblems(connection.get());
    problems += ruleProblems(connection.get(), recentMaximum);
    return problems;
}

} // namespace

bool openForReading(Connection& connection, const QString& path, int flags, QString* error) {
    if (!connection.open(path, flags, error))
        return false;
    // writable_schema lets SQLite read a file that is shorter than its header says, up to its
    // end; query_only keeps every statement of this connection from writing.
    return connection.exec("PRAGMA writable_schema = ON", error) &&
           connection.exec("PRAGMA cell_size_check = ON", error) &&
           connection.exec("PRAGMA temp_store = MEMORY", error) &&
           connection.exec("PRAGMA query_only = ON", error);
}

Problems integrityProblems(sqlite3* db) {
    QStringList findings;
    Statement check(db, QStringLiteral("PRAGMA integrity_check"));
    int rc = check.prepared() ? check.step() : SQLITE_ERROR;
    for (; rc == SQLITE_ROW; rc = check.step()) {
        for (const QString& line : check.text(0).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            if (line != QLatin1String("ok") && !line.startsWith(QLatin1String("*** in database")))
                findings << line;
        }
    }
    // On a damaged file the check often stops part of the way, after what it found so far.
    if (rc != SQLITE_DONE && findings.isEmpty())
        return {{QStringLiteral("unreadable"), QString(),
                 QStringLiteral("SQLite cannot check the file: %1").arg(check.error())}};
    Problems problems;
    if (findings.isEmpty())
        return problems;
    const PageOwners owners(db);
    QHash<QString, int> perObject;
    QStringList objects; // in the order of their first finding
    for (const QString& finding : findings) {
        const QString object = owners.objectOf(finding);
        if (!perObject.contains(object))
            objects << object;
        const int seen = ++perObject[object];
        if (seen <= kFindingsPerObject)
            problems.append({QStringLiteral("page"), object,
                             object.isEmpty()
                                 ? finding
                                 : QStringLiteral("%1: %2").arg(owners.describe(object), finding)});
    }
    for (const QString& object : objects) {
        const int more = perObject.value(object) - kFindingsPerObject;
        if (more > 0)
            problems.append(
                {QStringLiteral("page"), object,
                 QStringLiteral("%1: %2 more findings")
                     .arg(object.isEmpty() ? QStringLiteral("the file") : owners.describe(object))
                     .arg(more)});
    }
    return problems;
}

CheckReport checkLibrary(const QString& path, int recentMaximum) {
    CheckReport report;
    report.path = path;
    if (!QFileInfo(path).isFile()) {
        report.problems.append({QStringLiteral("missing"), QString(),
                                QStringLiteral("there is no library file at %1").arg(path)});
        return report;
    }
    bool openable = false;
    report.problems = headerProblems(readFileHeader(path), &openable);

    // A journal beside a library that no program has open is what a write that never finished
    // leaves: the next program to open the library rolls it back. What the library holds is
    // then the file with the journal rolled back, which is checked on a copy so that the
    // library and its journal stay as they are.
    qint64 journalSize = 0;
    const bool journal = leftJournal(path, &journalSize) && processesHolding(path).isEmpty();
    if (journal) {
        report.problems.append(
            {QStringLiteral("journal"), QString(),
             QStringLiteral("a write that never finished left its journal beside the library "
                            "(%1-journal, %2 bytes)")
                 .arg(QFileInfo(path).fileName())
                 .arg(journalSize)});
    }
    if (!openable)
        return report;
    if (!journal) {
        report.problems += readProblems(path, SQLITE_OPEN_READONLY, recentMaximum);
        return report;
    }
    QTemporaryDir scratch;
    const QString copy = scratch.path() + QStringLiteral("/library");
    QString error;
    if (!scratch.isValid() || !copyWithSideFiles(path, copy, true, &error)) {
        report.problems.append({QStringLiteral("unreadable"), QString(),
                                QStringLiteral("the library cannot be copied to check it with "
                                               "its journal rolled back")});
        return report;
    }
    report.problems += readProblems(copy, SQLITE_OPEN_READWRITE, recentMaximum);
    return report;
}

} // namespace LibraryMaintenance
