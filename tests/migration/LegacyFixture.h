#pragma once

// Start-ups that find an older release's files: the fixture lays them out (a library database
// built with SQL, queue files written as text, an earlier library file) before it starts the
// plugin, and reads the imported rows back as text.

#include "support/PluginFixture.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <string>
#include <vector>

// Property names of the older release's library.
extern const char kRes[];
extern const char kSize[];
extern const char kDuration[];
extern const char kTitle[];
extern const char kAdded[];

// An older release's library database, written through a connection of its own that is
// closed and removed when the object goes.
class LegacyDatabase {
public:
    explicit LegacyDatabase(const QString& path);
    ~LegacyDatabase();

    // One property of an object; a not-valid value leaves the property out.
    void set(int objectId, const char* property, const QVariant& value);
    // A file with every property the import needs.
    void addFile(int objectId, const QString& uri, const QVariant& added = "2009-05-06 07:08:09");
    void addPlaylist(int objectId, const QString& title) { set(objectId, kTitle, title); }
    void addMember(int playlistObjectId, int fileObjectId);
    void exec(const QString& statement, const QVariantList& values = {});

private:
    QString connection;
};

class LegacyFixture : public PluginFixture {
protected:
    bool startsPlugin() const override { return false; }

    QString legacyDatabasePath() const;
    // Writes a file, creating its folder.
    void writeFile(const QString& path, const QByteArray& content);
    // A queue file holding the given DownloadItem elements inside a DownloadQueue.
    void writeQueue(const QString& path, const QByteArray& items);
    // A library file left by an earlier release, at the given schema version, whose media_file
    // table has only its first four columns.
    void writeEarlierLibrary(quint32 version, const QStringList& statements = {});

    // Every row of a statement on the checking connection, columns joined by "|", NULL as
    // "NULL".
    std::vector<std::string> rows(const QString& statement);
    // Whether the library file holds no table at all (nothing of a start-up was kept).
    bool libraryHasNoTables();
    // Whether the start-up removed its connection to the older release's database.
    static bool legacyConnectionRemoved();
};
