#include "PluginFixture.h"

#include "PubSubHub.h"

#include <QDir>
#include <QSqlError>
#include <QSqlQuery>

#include <dlfcn.h>

namespace {
const char kInterfaceId[] = "com.vireo.studio.pluginInterface.MediaManager";
const char kCheckConnection[] = "fixture-check";
} // namespace

void TestHost::pluginReleasing(Tarn::Plugin* plugin) {
    calls.append(qMakePair(QStringLiteral("releasing"), plugin));
}

void TestHost::pluginReleased(Tarn::Plugin* plugin) {
    calls.append(qMakePair(QStringLiteral("released"), plugin));
}

GetPluginFunction PluginFixture::entryFunction() {
    static void* handle = dlopen(ORV_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return nullptr;
    return reinterpret_cast<GetPluginFunction>(dlsym(handle, "_getPlugin"));
}

void PluginFixture::SetUp() {
    dir = std::make_unique<QTemporaryDir>();
    ASSERT_TRUE(dir->isValid());
    // Everything the plugin reads or writes stays below the temporary folder.
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir->path() + QStringLiteral("/config")));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(dir->path() + QStringLiteral("/etc-xdg")));
    subscription =
        VireoStudio::PubSubHub::subscribe([this](const QString& name, const QVariant& payload) {
            messages.append(qMakePair(name, payload));
        });
    if (startsPlugin())
        startPlugin();
}

void PluginFixture::TearDown() {
    closeCheckDatabase();
    stopPlugin();
    VireoStudio::PubSubHub::unsubscribe(subscription);
    dir.reset();
}

void PluginFixture::startPlugin() {
    GetPluginFunction entry = entryFunction();
    ASSERT_NE(entry, nullptr) << dlerror();
    ASSERT_EQ(entry(&host, &plugin), 0);
    ASSERT_NE(plugin, nullptr);
    void* found = nullptr;
    ASSERT_EQ(plugin->queryInterface(PluginString(kInterfaceId), &found), 0);
    library = static_cast<MediaManagerInterface*>(found);
    ASSERT_NE(library, nullptr);
}

void PluginFixture::stopPlugin() {
    if (plugin)
        plugin->release();
    plugin = nullptr;
    library = nullptr;
}

QString PluginFixture::dataHome() const {
    return dir->path() + QStringLiteral("/data");
}

QString PluginFixture::playerFolder() const {
    return dataHome() + QStringLiteral("/Vireo/Vireo Studio");
}

QString PluginFixture::legacyFolder() const {
    return dataHome() + QStringLiteral("/Vireo/Vireo Player");
}

QString PluginFixture::libraryPath() const {
    return playerFolder() + QStringLiteral("/Media Library");
}

QSqlDatabase PluginFixture::checkDatabase() {
    if (checkConnection.isEmpty()) {
        checkConnection = QLatin1String(kCheckConnection);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), checkConnection);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        db.setDatabaseName(libraryPath());
        EXPECT_TRUE(db.open()) << db.lastError().text().toStdString();
    }
    return QSqlDatabase::database(checkConnection, false);
}

void PluginFixture::exec(const QString& statement) {
    QSqlQuery query(checkDatabase());
    EXPECT_TRUE(query.exec(statement))
        << statement.toStdString() << ": " << query.lastError().text().toStdString();
}

QVariant PluginFixture::scalar(const QString& statement) {
    QSqlQuery query(checkDatabase());
    if (!query.exec(statement) || !query.next())
        return QVariant();
    return query.value(0);
}

qint64 PluginFixture::count(const QString& table) {
    return scalar(QStringLiteral("SELECT count(*) FROM ") + table).toLongLong();
}

void PluginFixture::closeCheckDatabase() {
    if (checkConnection.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(checkConnection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(checkConnection);
    checkConnection.clear();
}

quint64 PluginFixture::insertNode(const QString& uri) {
    QSqlQuery query(checkDatabase());
    query.prepare(QStringLiteral("INSERT INTO node (uri, name) VALUES (:URI, :NAME)"));
    query.bindValue(QStringLiteral(":URI"), uri);
    query.bindValue(QStringLiteral(":NAME"), uri.section(QLatin1Char('/'), -1));
    EXPECT_TRUE(query.exec()) << query.lastError().text().toStdString();
    return query.lastInsertId().toULongLong();
}

QList<quint64> PluginFixture::itemNodes(quint64 playlistId) {
    QList<quint64> nodes;
    QSqlQuery query(checkDatabase());
    query.exec(QStringLiteral("SELECT node_id FROM playlist_item WHERE playlist_id = %1 ORDER BY "
                              "play_order, playlist_item_id")
                   .arg(playlistId));
    while (query.next())
        nodes << query.value(0).toULongLong();
    return nodes;
}

QList<qint64> PluginFixture::itemOrders(quint64 playlistId) {
    QList<qint64> orders;
    QSqlQuery query(checkDatabase());
    query.exec(QStringLiteral("SELECT play_order FROM playlist_item WHERE playlist_id = %1 ORDER "
                              "BY play_order, playlist_item_id")
                   .arg(playlistId));
    while (query.next())
        orders << query.value(0).toLongLong();
    return orders;
}

quint64 PluginFixture::playlistIdOfType(int type) {
    return scalar(QStringLiteral("SELECT playlist_id FROM playlist WHERE playlist_type = %1")
                      .arg(type))
        .toULongLong();
}

QList<quint64> PluginFixture::published(const QString& name) const {
    QList<quint64> ids;
    for (const auto& message : messages) {
        if (message.first == name)
            ids << message.second.toULongLong();
    }
    return ids;
}

void PluginFixture::setRecentFileMaximum(int maximum) {
    const QString folder = dir->path() + QStringLiteral("/config/Vireo");
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile file(folder + QStringLiteral("/registry.reg"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QStringLiteral("Windows Registry Editor Version 5.00\n\n"
                              "[HKEY_CURRENT_USER\\SOFTWARE\\Vireo\\Settings\\"
                              "VireoStudio.MediaLibrary\\Playback]\n"
                              "\"RecentFileMaximum\"=dword:%1\n")
                   .arg(quint32(maximum), 8, 16, QLatin1Char('0'))
                   .toLatin1());
}
