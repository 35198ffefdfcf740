// The plugin-framework contract as a host sees it: creation, the interface query, reference
// counting, the host's release callbacks and destruction through either table.

#include "support/PluginFixture.h"

#include <QDir>

namespace {

const char kServedId[] = "com.vireo.studio.pluginInterface.MediaManager";

class PluginContract : public PluginFixture {};

TEST_F(PluginContract, NewPluginHasOneReferenceAndTheHostItWasGiven) {
    EXPECT_EQ(plugin->refCount(), 1);
    EXPECT_EQ(plugin->getTag(), 0);
    EXPECT_EQ(plugin->getHost(), &host);
    EXPECT_TRUE(library->isOpen());
}

TEST_F(PluginContract, ServesExactlyItsOneIdentifier) {
    void* out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(plugin->queryInterface(PluginString(kServedId), &out), 0);
    EXPECT_EQ(out, static_cast<void*>(library));

    const char* refused[] = {"com.vireo.studio.pluginInterface.mediamanager",
                             "com.vireo.studio.pluginInterface.MediaManagerX",
                             "com.vireo.studio.pluginInterface.DownloadManager", ""};
    for (const char* id : refused) {
        out = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(plugin->queryInterface(PluginString(id), &out), 3) << id;
        EXPECT_EQ(out, nullptr) << id;
    }
    PluginString nullString;
    EXPECT_EQ(plugin->queryInterface(nullString, &out), 3);
    EXPECT_EQ(plugin->refCount(), 1) << "the query must not change the count";
}

TEST_F(PluginContract, ReleaseTellsTheHostBeforeAndAfterDestruction) {
    EXPECT_EQ(plugin->retain(), 2);
    EXPECT_EQ(plugin->release(), 1);
    EXPECT_TRUE(host.calls.isEmpty());

    Tarn::Plugin* const identity = plugin;
    EXPECT_EQ(plugin->release(), 0);
    plugin = nullptr;
    library = nullptr;
    ASSERT_EQ(host.calls.size(), 2);
    EXPECT_EQ(host.calls.at(0).first, QStringLiteral("releasing"));
    EXPECT_EQ(host.calls.at(0).second, identity);
    EXPECT_EQ(host.calls.at(1).first, QStringLiteral("released"));
    EXPECT_EQ(host.calls.at(1).second, identity);
}

TEST_F(PluginContract, DestroyingThroughTheInterfaceDestroysTheWholePlugin) {
    delete library; // slot 0 of the media-library table
    plugin = nullptr;
    library = nullptr;
    // The connection went with the object: a new plugin opens the same file again.
    startPlugin();
    EXPECT_TRUE(library->isOpen());
}

TEST_F(PluginContract, PluginStringCopiesOwnTheirCharacters) {
    PluginString original("abc");
    PluginString copy(original);
    EXPECT_NE(copy.data, original.data);
    EXPECT_STREQ(copy.c_str(), "abc");
    EXPECT_EQ(copy.length, 3);
    EXPECT_EQ(copy.allocator, original.allocator);
    PluginString empty;
    PluginString emptyCopy(empty);
    EXPECT_EQ(emptyCopy.data, nullptr);
    EXPECT_EQ(emptyCopy.length, 0);
}

class UnopenableLibrary : public PluginFixture {
protected:
    bool startsPlugin() const override { return false; }
};

TEST_F(UnopenableLibrary, PluginIsStillMadeButReportsClosed) {
    // A folder where the library file should be: SQLite cannot open it.
    ASSERT_TRUE(QDir().mkpath(libraryPath()));
    startPlugin();
    EXPECT_FALSE(library->isOpen());
    EXPECT_EQ(plugin->refCount(), 1);
}

} // namespace
