#pragma once

// A plugin on a fresh data folder, created through _getPlugin as a host does: the fixture is
// the host object, records the messages published on the hub, and keeps a second connection
// to the library file for checking rows.

#include "MediaManagerInterface.h"
#include "TarnPlugin.h"

#include <QList>
#include <QPair>
#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

#include <gtest/gtest.h>

#include <memory>

class TestHost : public PluginHost {
public:
    int getHostVersion() override { return 1; }
    const char* getHostName() override { return "test host"; }
    int loadPlugin(const char*) override { return 0; }
    int unloadPlugin(const char*) override { return 0; }
    int getPluginCount() override { return 0; }
    Tarn::Plugin* getPluginAt(int) override { return nullptr; }
    int pluginRetained(Tarn::Plugin*) override { return 0; }
    void pluginReleasing(Tarn::Plugin* plugin) override;
    void pluginReleased(Tarn::Plugin* plugin) override;

    // "releasing" and "released" calls in order, with the plugin pointer they carried.
    QList<QPair<QString, Tarn::Plugin*>> calls;
};

class PluginFixture : public ::testing::Test {
protected:
    typedef VireoStudio::MediaManagerInterface MediaManagerInterface;

    void SetUp() override;
    void TearDown() override;

    // Creates the plugin (the entry function of the dlopen-ed library) and asks it for the
    // media-library interface. Called by SetUp unless startsPlugin() says otherwise.
    void startPlugin();
    // Releases the plugin; the host must have released every row object first.
    void stopPlugin();
    virtual bool startsPlugin() const { return true; }

    // The data folder ($XDG_DATA_HOME), the player's folder below it and the library file.
    QString dataHome() const;
    QString playerFolder() const;
    QString legacyFolder() const;
    QString libraryPath() const;

    // The checking connection to the library file (opened on first use).
    QSqlDatabase checkDatabase();
    // Runs a statement on the checking connection; fails the test when it fails.
    void exec(const QString& statement);
    // The first column of the first row, or an invalid QVariant.
    QVariant scalar(const QString& statement);
    qint64 count(const QString& table);
    // Adds a bare node row (no media details) and returns its id.
    quint64 insertNode(const QString& uri);
    // The node ids of a playlist's items in play order, and their play orders.
    QList<quint64> itemNodes(quint64 playlistId);
    QList<qint64> itemOrders(quint64 playlistId);
    // The playlist id of a built-in type.
    quint64 playlistIdOfType(int type);
    // Stores the recent-file maximum in the per-user settings file, as the player would.
    void setRecentFileMaximum(int maximum);
    // The messages published so far with this name, as their ids.
    QList<quint64> published(const QString& name) const;
    void closeCheckDatabase();

    static GetPluginFunction entryFunction();

    std::unique_ptr<QTemporaryDir> dir;
    TestHost host;
    Tarn::Plugin* plugin = nullptr;
    MediaManagerInterface* library = nullptr;
    // Messages published on the hub while the fixture lives: name and payload.
    QList<QPair<QString, QVariant>> messages;

private:
    int subscription = 0;
    QString checkConnection;
};
