// The statement cache: one prepared statement per text, used again and again without carrying
// anything over, a second one when an operation that is reading a result runs the same text,
// never more statements than its capacity, and values bound and read exactly as QtSql binds
// and reads them.

#include "database/StatementCache.h"

#include <QDateTime>
#include <QLoggingCategory>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

namespace {

using VireoStudio::Statement;
using VireoStudio::StatementCache;

const char kConnection[] = "statement-cache-test";
const char kInsert[] = "INSERT INTO item (id, value) VALUES (:ID, :VALUE)";
const char kSelectFrom[] = "SELECT id, value FROM item WHERE id >= :FROM ORDER BY id";

class StatementCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnection);
        db.setDatabaseName(dir.path() + QStringLiteral("/cache.db"));
        ASSERT_TRUE(db.open());
        exec(QStringLiteral("CREATE TABLE item (id INTEGER PRIMARY KEY, value)"));
        cache = std::make_unique<StatementCache>();
        cache->attach(handle());
    }
    void TearDown() override {
        cache.reset();
        QSqlDatabase::database(kConnection, false).close();
        QSqlDatabase::removeDatabase(kConnection);
    }
    static QSqlDatabase db() { return QSqlDatabase::database(kConnection, false); }
    static sqlite3* handle() {
        return *static_cast<sqlite3* const*>(db().driver()->handle().constData());
    }
    static void exec(const QString& statement) {
        QSqlQuery query(db());
        ASSERT_TRUE(query.exec(statement)) << statement.toStdString();
    }
    void insert(qint64 id, const QVariant& value) {
        Statement statement = cache->statement(kInsert);
        ASSERT_TRUE(statement);
        statement.bindValue(":ID", id);
        statement.bindValue(":VALUE", value);
        ASSERT_TRUE(statement.exec());
    }
    // Statements SQLite holds open on the connection.
    static int openStatements() {
        int count = 0;
        for (sqlite3_stmt* s = sqlite3_next_stmt(handle(), nullptr); s;
             s = sqlite3_next_stmt(handle(), s))
            ++count;
        return count;
    }

    QTemporaryDir dir;
    std::unique_ptr<StatementCache> cache;
};

TEST_F(StatementCacheTest, PreparesATextOnceAndCarriesNoValueOver) {
    insert(1, QStringLiteral("one"));
    {
        // The same text again, with :VALUE left unbound: it runs as NULL, as in a fresh query.
        Statement statement = cache->statement(kInsert);
        statement.bindValue(":ID", 2);
        ASSERT_TRUE(statement.exec());
        EXPECT_EQ(statement.numRowsAffected(), 1);
        EXPECT_EQ(statement.lastInsertId(), QVariant(qlonglong(2)));
    }
    EXPECT_EQ(cache->prepareCount(), 1u);
    EXPECT_EQ(cache->size(), 1);
    QSqlQuery check(db());
    ASSERT_TRUE(check.exec(QStringLiteral("SELECT value IS NULL FROM item WHERE id = 2")));
    ASSERT_TRUE(check.next());
    EXPECT_EQ(check.value(0).toInt(), 1);
}

TEST_F(StatementCacheTest, ATextRunAgainWhileItsResultIsReadGetsAStatementOfItsOwn) {
    for (int id = 1; id <= 4; ++id)
        insert(id, id * 10);
    QList<qint64> outer;
    QList<qint64> inner;
    {
        Statement rows = cache->statement(kSelectFrom);
        rows.bindValue(":FROM", 1);
        ASSERT_TRUE(rows.exec());
        while (rows.next()) {
            outer << rows.value(0).toLongLong();
            // Another operation runs the very same text while the outer rows are being read.
            Statement again = cache->statement(kSelectFrom);
            again.bindValue(":FROM", 3);
            ASSERT_TRUE(again.exec());
            while (again.next())
                inner << again.value(1).toLongLong();
        }
    }
    EXPECT_EQ(outer, QList<qint64>({1, 2, 3, 4})) << "the outer result went on unharmed";
    EXPECT_EQ(inner, QList<qint64>({30, 40, 30, 40, 30, 40, 30, 40}));
    EXPECT_EQ(cache->prepareCount(), 3u) << "the insert, the text, and its second statement";
    EXPECT_EQ(cache->size(), 2) << "one statement kept per text";
    EXPECT_EQ(openStatements(), 2);
}

TEST_F(StatementCacheTest, KeepsNoMoreThanItsCapacityAndDropsTheLeastRecentlyUsed) {
    cache = std::make_unique<StatementCache>(3);
    cache->attach(handle());
    const QString texts[] = {QStringLiteral("SELECT 1"), QStringLiteral("SELECT 2"),
                             QStringLiteral("SELECT 3"), QStringLiteral("SELECT 4")};
    for (const QString& text : texts)
        ASSERT_TRUE(cache->statement(text).exec());
    EXPECT_EQ(cache->size(), 3);
    EXPECT_EQ(openStatements(), 3);
    // "SELECT 1" was the oldest: using it again prepares it anew; "SELECT 4" is still kept.
    ASSERT_TRUE(cache->statement(texts[3]).exec());
    EXPECT_EQ(cache->prepareCount(), 4u);
    ASSERT_TRUE(cache->statement(texts[0]).exec());
    EXPECT_EQ(cache->prepareCount(), 5u);
    EXPECT_EQ(cache->size(), 3);
}

TEST_F(StatementCacheTest, KeepsNeitherATextThatDoesNotPrepareNorAStatementThatFailed) {
    EXPECT_FALSE(cache->statement("SELECT id FROM nowhere"));
    EXPECT_FALSE(cache->statement("SELECT 1; SELECT 2")) << "two statements, as QtSql refuses";
    EXPECT_EQ(cache->size(), 0);
    insert(1, 1);
    {
        Statement twice = cache->statement(kInsert);
        twice.bindValue(":ID", 1);
        EXPECT_FALSE(twice.exec()) << "the id is taken";
        EXPECT_EQ(twice.numRowsAffected(), -1);
        EXPECT_FALSE(twice.lastInsertId().isValid());
    }
    insert(2, 2); // a statement prepared anew does the work
    EXPECT_EQ(cache->prepareCount(), 2u);
}

TEST_F(StatementCacheTest, ClearLetsTheConnectionCloseEvenWithAStatementOut) {
    insert(1, 1);
    Statement out = cache->statement(kSelectFrom);
    out.bindValue(":FROM", 0);
    ASSERT_TRUE(out.exec());
    cache->clear();
    EXPECT_EQ(openStatements(), 1) << "only the statement still out";
    out = Statement();
    EXPECT_EQ(openStatements(), 0);
    EXPECT_FALSE(cache->statement(kSelectFrom)) << "no connection until one is attached again";
}

// Every kind of value the library binds, stored once through QSqlQuery and once through a
// cached statement: the rows must be alike in type and content, and read back alike.
TEST_F(StatementCacheTest, BindsAndReadsEveryValueAsQtSqlDoes) {
    const QList<QVariant> values = {
        QVariant(),
        QVariant(QString()),
        QVariant(QString(QLatin1String(""))),
        QVariant(QStringLiteral("plain text")),
        QVariant(QString::fromUtf8("Grüße, ça, 映画")),
        QVariant(QString(QChar(0xD800))) /* a lone surrogate */,
        QVariant(int(-7)),
        QVariant(true),
        QVariant(uint(4000000000u)),
        QVariant(qlonglong(-9000000000LL)),
        QVariant(quint64(18000000000000000000ULL)),
        QVariant(2.5),
        QVariant(QByteArray("\x01\x02", 2)),
        QVariant(QByteArray()),
        QVariant(QDateTime(QDate(2011, 5, 6), QTime(7, 8, 9), Qt::UTC)),
        QVariant(QDateTime()),
        QVariant(QTime(1, 2, 3, 4)),
        QVariant(QDate(2011, 5, 6)),
        QVariant(QUrl()),
        QVariant(QUrl(QStringLiteral("file:///a b.avi"))),
        QVariant(QMetaType::fromType<QString>()),
    };
    exec(QStringLiteral("CREATE TABLE viaqt (id INTEGER PRIMARY KEY, value)"));
    for (qsizetype i = 0; i < values.size(); ++i) {
        QSqlQuery query(db());
        ASSERT_TRUE(
            query.prepare(QStringLiteral("INSERT INTO viaqt (id, value) VALUES (:ID, :V)")));
        query.bindValue(QStringLiteral(":ID"), qint64(i));
        query.bindValue(QStringLiteral(":V"), values.at(i));
        ASSERT_TRUE(query.exec());
        insert(i, values.at(i));
    }
    QSqlQuery stored(db());
    ASSERT_TRUE(stored.exec(QStringLiteral(
        "SELECT count(*) FROM viaqt JOIN item USING (id) WHERE typeof(viaqt.value) = "
        "typeof(item.value) AND viaqt.value IS item.value")));
    ASSERT_TRUE(stored.next());
    EXPECT_EQ(stored.value(0).toInt(), values.size());

    QSqlQuery read(db());
    ASSERT_TRUE(read.exec(QStringLiteral("SELECT id, value FROM item ORDER BY id")));
    Statement ours = cache->statement(kSelectFrom);
    ours.bindValue(":FROM", 0);
    ASSERT_TRUE(ours.exec());
    EXPECT_FALSE(ours.value(0).isValid()) << "no current row before next()";
    while (read.next()) {
        ASSERT_TRUE(ours.next());
        for (int column : {0, 1}) {
            const QVariant theirs = read.value(column);
            const QVariant mine = ours.value(column);
            SCOPED_TRACE(testing::Message() << "row " << read.value(0).toLongLong());
            EXPECT_EQ(mine.typeId(), theirs.typeId());
            EXPECT_EQ(mine.isNull(), theirs.isNull());
            EXPECT_EQ(mine, theirs);
        }
        EXPECT_FALSE(ours.value(2).isValid()) << "no such column";
    }
    EXPECT_FALSE(ours.next());
}

} // namespace

namespace {

// Messages of the statement log, while a test runs.
QStringList statementLog;
void keepStatementLog(QtMsgType, const QMessageLogContext& context, const QString& message) {
    if (qstrcmp(context.category, "orv.sql") == 0)
        statementLog << message;
}

// A statement that fails leaves a trace: its text, what was bound and SQLite's message, in
// the category a person switches on with QT_LOGGING_RULES (on by default in debug builds).
TEST_F(StatementCacheTest, FailuresAreLoggedWithTextValuesAndMessage) {
    QLoggingCategory::setFilterRules(QStringLiteral("orv.sql=true"));
    statementLog.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepStatementLog);
    insert(1, QStringLiteral("first"));
    Statement again = cache->statement(kInsert);
    again.bindValue(":ID", 1);
    again.bindValue(":VALUE", QStringLiteral("second"));
    EXPECT_FALSE(again.exec());
    EXPECT_EQ(again.errorCode(), SQLITE_CONSTRAINT_PRIMARYKEY);
    EXPECT_FALSE(cache->statement("SELECT id FROM nowhere"));
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    ASSERT_EQ(statementLog.size(), 2) << statementLog.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(statementLog.at(0).contains(QLatin1String(kInsert)));
    EXPECT_TRUE(statementLog.at(0).contains(QLatin1String(":ID=1, :VALUE='second'")));
    EXPECT_TRUE(statementLog.at(0).contains(QLatin1String("UNIQUE constraint failed")));
    EXPECT_TRUE(statementLog.at(1).contains(QLatin1String("no such table: nowhere")));
}

} // namespace
