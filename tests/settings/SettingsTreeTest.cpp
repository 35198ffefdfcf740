// Nodes of the settings tree: opening by mode, children, enumeration over both hives, removal
// and names.

#include "SettingsTestSupport.h"

#include <set>

TEST_F(SettingsStoreTest, OpenModesDecideWhichKeysMustExist) {
    EXPECT_FALSE(open("", vds::CREATE_USER));
    EXPECT_FALSE(open("Settings/Node", 0));
    EXPECT_FALSE(open("Settings/Node", 10));
    // Modes that only open fail on a key that does not exist, and create nothing.
    EXPECT_FALSE(open("Settings/Node", vds::OPEN_USER));
    EXPECT_FALSE(open("Settings/Node", vds::OPEN_USER_AND_MACHINE_READ));
    EXPECT_FALSE(open("Settings/Node", vds::OPEN_MACHINE));
    EXPECT_FALSE(QFile::exists(userFile()));
    EXPECT_FALSE(QFile::exists(machineFile()));

    ASSERT_TRUE(open("Settings/Node", vds::CREATE_MACHINE));
    EXPECT_TRUE(
        readFile(machineFile()).contains("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vireo\\Settings\\Node]"));
    // Either key is enough for the modes that use both.
    EXPECT_TRUE(open("Settings/Node", vds::OPEN_USER_AND_MACHINE_READ));
    EXPECT_FALSE(open("Settings/Node", vds::OPEN_USER_READ));
    // Mode 8 creates the per-user key; the machine-wide key is optional.
    ASSERT_TRUE(open("Settings/Other", vds::CREATE_USER_OPEN_MACHINE));
    EXPECT_TRUE(open("Settings/Other", vds::OPEN_USER));
}

TEST_F(SettingsStoreTest, ReadOnlyModesRefuseWrites) {
    ASSERT_TRUE(open("Settings/Node", vds::CREATE_USER));
    SettingsPtr node = open("Settings/Node", vds::OPEN_USER_READ);
    ASSERT_TRUE(node);
    EXPECT_FALSE(node->setInt("Value", 1));
    EXPECT_FALSE(node->deleteValue("Value"));
    qint32 value = 5;
    EXPECT_FALSE(node->getInt("Value", value));
    EXPECT_EQ(value, 5);
}

TEST_F(SettingsStoreTest, MultiComponentChildCreatesBothLevelsInMode8) {
    SettingsPtr node = open("Settings\\App", vds::CREATE_USER_OPEN_MACHINE);
    ASSERT_TRUE(node);
    SettingsPtr grandchild = child(node, "Video/Decoders");
    ASSERT_TRUE(grandchild);
    QString name;
    ASSERT_TRUE(grandchild->getName(name));
    EXPECT_EQ(name, QStringLiteral("Decoders"));
    ASSERT_TRUE(grandchild->setInt("Threads", 4));

    const QByteArray text = readFile(userFile());
    EXPECT_TRUE(text.contains("[HKEY_CURRENT_USER\\SOFTWARE\\Vireo\\Settings\\App\\Video]\n"));
    EXPECT_TRUE(text.contains(
        "[HKEY_CURRENT_USER\\SOFTWARE\\Vireo\\Settings\\App\\Video\\Decoders]\n\"Threads\"="));

    // The same child is handed out again, held by its parent.
    SettingsPtr video = child(node, "Video");
    ASSERT_TRUE(video);
    EXPECT_EQ(child(video, "Decoders").get(), grandchild.get());
    EXPECT_FALSE(child(node, ""));
    EXPECT_FALSE(child(node, "/Video"));
}

TEST_F(SettingsStoreTest, ChildThatCannotOpenIsNotKept) {
    ASSERT_TRUE(open("Settings/App", vds::CREATE_USER));
    SettingsPtr node = open("Settings/App", vds::OPEN_USER);
    ASSERT_TRUE(node);
    EXPECT_FALSE(child(node, "Missing"));
    EXPECT_FALSE(child(node, "Missing"));
    ASSERT_TRUE(child(open("Settings/App", vds::CREATE_USER), "Missing"));
    EXPECT_TRUE(child(node, "Missing"));
}

TEST_F(SettingsStoreTest, EnumerationListsNamesOfBothHivesOnce) {
    writeFile(machineFile(), "Windows Registry Editor Version 5.00\n\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vireo\\Settings\\App\\Audio]\n\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vireo\\Settings\\App\\Playback]\n\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vireo\\Settings\\App]\n"
                             "\"Shared\"=dword:00000001\n\"MachineOnly\"=dword:00000002\n");
    SettingsPtr node = open("Settings/App", vds::CREATE_USER_OPEN_MACHINE);
    ASSERT_TRUE(node);
    ASSERT_TRUE(child(node, "Playback"));
    ASSERT_TRUE(child(node, "Video"));
    ASSERT_TRUE(node->setInt("Shared", 3));

    std::set<QString> names;
    ASSERT_TRUE(node->getChildNames(names));
    EXPECT_EQ(names, (std::set<QString>{"Audio", "Playback", "Video"}));
    quint32 count = 0;
    ASSERT_TRUE(node->getChildCount(count));
    EXPECT_EQ(count, 3u);
    std::set<QByteArray> values;
    ASSERT_TRUE(node->getValueNames(values));
    EXPECT_EQ(values, (std::set<QByteArray>{"MachineOnly", "Shared"}));
    ASSERT_TRUE(node->getValueCount(count));
    EXPECT_EQ(count, 2u);

    // A per-user-only mode sees only the per-user key.
    SettingsPtr userOnly = open("Settings/App", vds::OPEN_USER);
    ASSERT_TRUE(userOnly);
    ASSERT_TRUE(userOnly->getChildNames(names));
    EXPECT_EQ(names, (std::set<QString>{"Playback", "Video"}));
}

TEST_F(SettingsStoreTest, RemoveDeletesOnlyBelowTheSettingsRoot) {
    SettingsPtr node = open("Settings/App", vds::CREATE_USER);
    ASSERT_TRUE(node);
    ASSERT_TRUE(child(node, "Video/Decoders"));
    ASSERT_TRUE(open("Settings/Keep", vds::CREATE_USER));
    ASSERT_TRUE(open("Settings/App", vds::CREATE_MACHINE));

    ASSERT_TRUE(node->remove());
    QByteArray text = readFile(userFile());
    EXPECT_FALSE(text.contains("Settings\\App"));
    EXPECT_TRUE(text.contains("[HKEY_CURRENT_USER\\SOFTWARE\\Vireo\\Settings\\Keep]"));
    // Removal works in the node's own hive only.
    EXPECT_TRUE(readFile(machineFile()).contains("Settings\\App]"));
    EXPECT_FALSE(node->remove());

    // Nothing outside the tree, nor the tree's root itself, is deleted.
    for (const char* path :
         {"SOFTWARE\\Other\\Vireo", "SOFTWARE\\Other\\SOFTWARE\\Vireo\\App", "SOFTWARE\\Vireo"}) {
        const vtl::RefCountedPtr<vds::VireoSettings> outside(
            vds::VireoSettings::atKeyPath(QString::fromLatin1(path), vds::CREATE_USER));
        ASSERT_TRUE(outside->setInt("Value", 1)) << path;
        EXPECT_FALSE(outside->remove()) << path;
        EXPECT_TRUE(
            readFile(userFile())
                .contains(QByteArray("[HKEY_CURRENT_USER\\") + path + "]\n\"Value\"=hex(b)"))
            << path;
    }
    EXPECT_TRUE(
        readFile(userFile()).contains("[HKEY_CURRENT_USER\\SOFTWARE\\Vireo\\Settings\\Keep]"));

    // The key above stays, even when nothing else in the file named it.
    writeFile(userFile(), "Windows Registry Editor Version 5.00\n\n"
                          "[HKEY_CURRENT_USER\\SOFTWARE\\Vireo\\Settings\\Lone\\Child]\n"
                          "\"Value\"=dword:00000001\n\n");
    SettingsPtr lone = open("Settings/Lone/Child", vds::OPEN_USER);
    ASSERT_TRUE(lone);
    ASSERT_TRUE(lone->remove());
    EXPECT_EQ(readFile(userFile()), "Windows Registry Editor Version 5.00\n\n"
                                    "[HKEY_CURRENT_USER\\SOFTWARE\\Vireo\\Settings\\Lone]\n\n");
}

TEST_F(SettingsStoreTest, EightBitNamesAreStrictUtf8) {
    SettingsPtr node = open("Settings/App", vds::CREATE_USER);
    ASSERT_TRUE(node);
    const char* illegal[] = {
        "bad\xC3(",            // lead byte without its continuation
        "over\xC0\xAF",        // overlong "/"
        "cut\xE2\x82",         // truncated at the end
        "sur\xED\xA0\x80",     // encoded surrogate
        "big\xF4\x90\x80\x80", // above U+10FFFF
        "\x80lone",            // continuation byte first
    };
    for (const char* name : illegal) {
        EXPECT_FALSE(node->setInt(name, 1)) << name;
        EXPECT_FALSE(node->getChild(name, nullptr)) << name;
    }
    EXPECT_FALSE(node->setInt(static_cast<const char*>(nullptr), 1));
    EXPECT_FALSE(vds::openSettings("Settings/\xFF", vds::CREATE_USER, nullptr, nullptr));

    // Well-formed names of two, three and four bytes come back unchanged.
    const QByteArray name = "Gr\xC3\xB6\xC3\x9F\x65 \xE2\x82\xAC \xF0\x9F\x8E\xAC";
    ASSERT_TRUE(node->setString(name.constData(), "\xE2\x82\xAC"));
    std::set<QByteArray> names;
    ASSERT_TRUE(node->getValueNames(names));
    EXPECT_EQ(names, std::set<QByteArray>{name});
    QString value;
    ASSERT_TRUE(node->getString(QString::fromUtf8(name), value));
    EXPECT_EQ(value, QString(QChar(0x20AC)));

    // An 8-bit value that is not UTF-8 is refused, and the stored value stays.
    EXPECT_FALSE(node->setString(name.constData(), "\xC3"));
    ASSERT_TRUE(node->getString(name.constData(), value));
    EXPECT_EQ(value, QString(QChar(0x20AC)));
}
