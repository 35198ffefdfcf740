#include "LegacyFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

const char kRes[] = "urn:schemas-upnp-org:metadata-1-0/DIDL-Lite/res";
const char kSize[] = "urn:schemas-upnp-org:metadata-1-0/DIDL-Lite/size";
const char kDuration[] = "urn:schemas-upnp-org:metadata-1-0/DIDL-Lite/duration";
const char kTitle[] = "http://purl.org/dc/elements/1.1/title";
const char kAdded[] = "http://purl.org/dc/elements/1.1/importDate";

namespace {
int connectionCounter = 0;
} // namespace

LegacyDatabase::LegacyDatabase(const QString& path)
    : connection(QStringLiteral("legacy-build-%1").arg(++connectionCounter)) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    db.setDatabaseName(path);
    EXPECT_TRUE(db.open()) << db.lastError().text().toStdString();
    exec(QStringLiteral("CREATE TABLE pindex (id INTEGER PRIMARY KEY, name TEXT)"));
    exec(QStringLiteral("CREATE TABLE property (object_id INTEGER, pindex_id INTEGER, value)"));
    exec(QStringLiteral("CREATE TABLE relation (parent INTEGER, object_id INTEGER)"));
    for (const char* name : {kRes, kSize, kDuration, kTitle, kAdded})
        exec(QStringLiteral("INSERT INTO pindex (name) VALUES (?)"), {QLatin1String(name)});
}

LegacyDatabase::~LegacyDatabase() {
    QSqlDatabase::database(connection, false).close();
    QSqlDatabase::removeDatabase(connection);
}

void LegacyDatabase::exec(const QString& statement, const QVariantList& values) {
    QSqlQuery query(QSqlDatabase::database(connection, false));
    EXPECT_TRUE(query.prepare(statement)) << query.lastError().text().toStdString();
    for (const QVariant& value : values)
        query.addBindValue(value);
    EXPECT_TRUE(query.exec()) << query.lastError().text().toStdString();
}

void LegacyDatabase::set(int objectId, const char* property, const QVariant& value) {
    if (value.isValid())
        exec(QStringLiteral("INSERT INTO property (object_id, pindex_id, value) "
                            "VALUES (?, (SELECT id FROM pindex WHERE name = ?), ?)"),
             {objectId, QLatin1String(property), value});
}

void LegacyDatabase::addFile(int objectId, const QString& uri, const QVariant& added) {
    set(objectId, kRes, uri);
    set(objectId, kAdded, added);
    set(objectId, kTitle, QStringLiteral("Title %1").arg(objectId));
    set(objectId, kSize, objectId * 1000);
    set(objectId, kDuration, objectId * 60);
}

void LegacyDatabase::addMember(int playlistObjectId, int fileObjectId) {
    exec(QStringLiteral("INSERT INTO relation (parent, object_id) VALUES (?, ?)"),
         {playlistObjectId, fileObjectId});
}

QString LegacyFixture::legacyDatabasePath() const {
    return legacyFolder() + QStringLiteral("/Database.dat");
}

void LegacyFixture::writeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

void LegacyFixture::writeQueue(const QString& path, const QByteArray& items) {
    writeFile(path, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<DownloadManager><DownloadQueue>" +
                        items + "</DownloadQueue></DownloadManager>\n");
}

void LegacyFixture::writeEarlierLibrary(quint32 version, const QStringList& statements) {
    QDir().mkpath(playerFolder());
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("earlier-library"));
        db.setDatabaseName(libraryPath());
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        const QStringList layout = {
            QStringLiteral("CREATE TABLE schema_data (version INTEGER NOT NULL DEFAULT 0)"),
            QStringLiteral("INSERT INTO schema_data (version) VALUES (%1)").arg(version),
            QStringLiteral("CREATE TABLE media_file (node_id INTEGER PRIMARY KEY NOT NULL, "
                           "media_file_type INTEGER NOT NULL, size INTEGER, "
                           "title TEXT COLLATE NOCASE)")};
        for (const QString& statement : layout + statements)
            EXPECT_TRUE(query.exec(statement)) << statement.toStdString();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("earlier-library"));
}

std::vector<std::string> LegacyFixture::rows(const QString& statement) {
    std::vector<std::string> result;
    QSqlQuery query(checkDatabase());
    EXPECT_TRUE(query.exec(statement)) << statement.toStdString();
    while (query.next()) {
        QStringList columns;
        for (int i = 0; i < query.record().count(); ++i)
            columns << (query.isNull(i) ? QStringLiteral("NULL") : query.value(i).toString());
        result.push_back(columns.join(QLatin1Char('|')).toStdString());
    }
    return result;
}

bool LegacyFixture::libraryHasNoTables() {
    const QVariant tables = scalar(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    return tables.isValid() && tables.toInt() == 0;
}

bool LegacyFixture::legacyConnectionRemoved() {
    return !QSqlDatabase::contains(QStringLiteral("Vireo6DBForMigration"));
}
