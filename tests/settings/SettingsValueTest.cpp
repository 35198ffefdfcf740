// Values: their registry encodings, their round trip through the hive file, the accepted types
// and sizes of each getter, and hive files that are damaged or written by hand.

#include "SettingsTestSupport.h"

#include "settings/RegistryHive.h"

#include <limits>

namespace {
const char kNode[] = "Settings/App";
const char kKey[] = "[HKEY_CURRENT_USER\\SOFTWARE\\Vireo\\Settings\\App]\n";
} // namespace

TEST_F(SettingsStoreTest, EachValueTypeRoundTripsThroughTheFile) {
    {
        SettingsPtr node = open(kNode, vds::CREATE_USER);
        ASSERT_TRUE(node);
        ASSERT_TRUE(node->setInt64("Int64", std::numeric_limits<qint64>::min() + 5));
        ASSERT_TRUE(node->setInt("Int", -7));
        ASSERT_TRUE(node->setUInt("UInt", 0xFFFFFFF0u));
        ASSERT_TRUE(node->setUInt64("UInt64", 0xFEDCBA9876543210ull));
        ASSERT_TRUE(node->setFloat("Float", 1.5f));
        ASSERT_TRUE(node->setDouble("Double", -2.25e100));
        ASSERT_TRUE(node->setBool("Bool", true));
        ASSERT_TRUE(node->setString("Quoted", QStringLiteral("C:\\Films \"best\" \u00e9\u20ac")));
        ASSERT_TRUE(node->setString("Lines", QStringLiteral("one\r\ntwo")));
        const QByteArray bytes = QByteArray::fromHex(QByteArray(100, 'a') + "00ff");
        ASSERT_TRUE(node->setBinary("Binary", bytes.constData(), bytes.size()));
    }
    const QByteArray text = readFile(userFile());
    EXPECT_TRUE(text.startsWith("Windows Registry Editor Version 5.00\n\n"));
    EXPECT_TRUE(text.contains("\"Int\"=hex(b):f9,ff,ff,ff,ff,ff,ff,ff\n"));
    EXPECT_TRUE(text.contains("\"Float\"=dword:3fc00000\n"));
    EXPECT_TRUE(text.contains("\"Bool\"=dword:00000001\n"));
    EXPECT_TRUE(text.contains("\"Quoted\"=\"C:\\\\Films \\\"best\\\" \xC3\xA9\xE2\x82\xAC\"\n"));
    // Text the quoted form cannot hold is kept as UTF-16 bytes; long data wraps.
    EXPECT_TRUE(text.contains("\"Lines\"=hex(1):6f,00,6e,00,65,00,0d,00,0a,00,"));
    EXPECT_TRUE(text.contains("\"Binary\"=hex:aa,aa,"));
    EXPECT_TRUE(text.contains(",\\\n  aa,"));

    SettingsPtr node = open(kNode, vds::OPEN_USER_READ);
    ASSERT_TRUE(node);
    qint64 int64 = 0;
    ASSERT_TRUE(node->getInt64("Int64", int64));
    EXPECT_EQ(int64, std::numeric_limits<qint64>::min() + 5);
    qint32 int32 = 0;
    ASSERT_TRUE(node->getInt("Int", int32));
    EXPECT_EQ(int32, -7);
    quint32 uint32 = 0;
    ASSERT_TRUE(node->getInt("UInt", uint32));
    EXPECT_EQ(uint32, 0xFFFFFFF0u);
    quint64 uint64 = 0;
    ASSERT_TRUE(node->getUInt64("UInt64", uint64));
    EXPECT_EQ(uint64, 0xFEDCBA9876543210ull);
    float f = 0;
    ASSERT_TRUE(node->getFloat("Float", f));
    EXPECT_EQ(f, 1.5f);
    double d = 0;
    ASSERT_TRUE(node->getDouble("Double", d));
    EXPECT_EQ(d, -2.25e100);
    bool b = false;
    ASSERT_TRUE(node->getBool("Bool", b));
    EXPECT_TRUE(b);
    QString s;
    ASSERT_TRUE(node->getString("Quoted", s));
    EXPECT_EQ(s, QStringLiteral("C:\\Films \"best\" \u00e9\u20ac"));
    QByteArray utf8;
    ASSERT_TRUE(node->getString("Lines", utf8));
    EXPECT_EQ(utf8, QByteArray("one\r\ntwo"));
    QByteArray binary;
    ASSERT_TRUE(node->getBinary("Binary", binary));
    EXPECT_EQ(binary, QByteArray::fromHex(QByteArray(100, 'a') + "00ff"));
}

TEST_F(SettingsStoreTest, GettersTakeOnlyTheirTypesAndSizes) {
    writeFile(userFile(), QByteArray("Windows Registry Editor Version 5.00\n\n") + kKey +
                              "\"DWord\"=dword:00000002\n"
                              "\"QWord\"=hex(b):03,00,00,00,00,00,00,00\n"
                              "\"Short\"=hex(b):04,00\n"
                              "\"Text\"=\"5\"\n"
                              "\"Empty\"=hex:\n"
                              "\"Expand\"=hex(2):36,00,00,00\n");
    SettingsPtr node = open(kNode, vds::OPEN_USER_READ);
    ASSERT_TRUE(node);
    qint64 int64 = 99;
    bool b = false;
    float f = 0;
    double d = 0;
    QString s;
    QByteArray binary;
    EXPECT_TRUE(node->getInt64("QWord", int64));
    EXPECT_FALSE(node->getInt64("Short", int64));
    EXPECT_FALSE(node->getInt64("Text", int64));
    EXPECT_EQ(int64, 3);
    EXPECT_TRUE(node->getBool("DWord", b));
    EXPECT_FALSE(node->getBool("QWord", b));
    EXPECT_FALSE(node->getFloat("QWord", f));
    EXPECT_FALSE(node->getDouble("DWord", d));
    EXPECT_FALSE(node->getString("DWord", s));
    EXPECT_FALSE(node->getString("Expand", s));
    EXPECT_FALSE(node->getBinary("Empty", binary));
    EXPECT_FALSE(node->getBinary("Text", binary));
    EXPECT_TRUE(s.isEmpty());
    EXPECT_TRUE(binary.isEmpty());
    EXPECT_FALSE(node->getInt64("", int64));
    EXPECT_FALSE(node->getInt64("Missing", int64));
}

TEST_F(SettingsStoreTest, DWordReadAsSixtyFourBitsIsExtended) {
    writeFile(userFile(), QByteArray("Windows Registry Editor Version 5.00\n\n") + kKey +
                              "\"Negative\"=dword:fffffffe\n");
    SettingsPtr node = open(kNode, vds::OPEN_USER_READ);
    ASSERT_TRUE(node);
    // Whatever the variable held before must not show through in the high half.
    qint64 int64 = 0x1234567800000000ll;
    ASSERT_TRUE(node->getInt64("Negative", int64));
    EXPECT_EQ(int64, -2);
    long l = 0x12345678l;
    ASSERT_TRUE(node->getLong("Negative", l));
    EXPECT_EQ(l, -2l);
    quint64 uint64 = 0xFFFFFFFF00000000ull;
    ASSERT_TRUE(node->getUInt64("Negative", uint64));
    EXPECT_EQ(uint64, 0xFFFFFFFEull);
    qint32 int32 = 0;
    ASSERT_TRUE(node->getInt("Negative", int32));
    EXPECT_EQ(int32, -2);
}

TEST_F(SettingsStoreTest, DamagedHiveFailsReadsAndIsNeverOverwritten) {
    const QByteArray damaged = QByteArray("Windows Registry Editor Version 5.00\n\n") + kKey +
                               "\"Count\"=dword:00000005\n\"Name\"=\"unterminated\n";
    writeFile(userFile(), damaged);
    writeFile(machineFile(), "Windows Registry Editor Version 5.00\n\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vireo\\Settings\\App]\n"
                             "\"Count\"=dword:00000009\n");
    // Mode 8 needs the per-user key, which cannot be read.
    EXPECT_FALSE(open(kNode, vds::CREATE_USER_OPEN_MACHINE));
    EXPECT_FALSE(open(kNode, vds::CREATE_USER));
    // A mode that may do without it reads the machine-wide value.
    SettingsPtr either = open(kNode, vds::OPEN_USER_AND_MACHINE);
    ASSERT_TRUE(either);
    qint32 count = 0;
    ASSERT_TRUE(either->getInt("Count", count));
    EXPECT_EQ(count, 9);
    EXPECT_FALSE(either->setInt("Count", 1));
    EXPECT_EQ(readFile(userFile()), damaged);

    // A hive damaged after its key was opened fails too, and is still not overwritten.
    writeFile(userFile(), QByteArray("Windows Registry Editor Version 5.00\n\n") + kKey);
    SettingsPtr node = open(kNode, vds::CREATE_USER);
    ASSERT_TRUE(node);
    writeFile(userFile(), damaged);
    EXPECT_FALSE(node->setInt("Count", 1));
    EXPECT_FALSE(node->deleteValue("Count"));
    EXPECT_FALSE(node->remove());
    EXPECT_EQ(readFile(userFile()), damaged);
    QString why;
    EXPECT_FALSE(vds::reg::checkHive(vds::reg::Root::CurrentUser, &why));
    EXPECT_TRUE(why.contains(QStringLiteral("line 5"))) << why.toStdString();
}

TEST(RegistryHiveText, MalformedFilesAreRefusedNamingTheLine) {
    const QString deletion = QStringLiteral("deletion lines");
    const std::pair<const char*, QString> bad[] = {
        {"Windows Registry Editor Version 5.00\n\"Early\"=dword:00000001\n", "line 2"},
        {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n", "line 2"},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A\\\\B]\n", "line 2"},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A\n", "line 2"},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"V\"=dword:123456789\n",
         "line 3"},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"V\"=hex:1,2,345\n",
         "line 3"},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"V\"=hex:01,\\\n",
         "line 3"},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"V\"=\"a\\tb\"\n",
         "line 3"},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\nV=dword:1\n", "line 3"},
        // 8-bit text only in the older form.
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"V\"=\"\xC3\"\n",
         "neither UTF-8 nor UTF-16"},
        {"REGEDIT 4\n", "line 1"},
        // Instructions of an import are not settings.
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n[-HKEY_CURRENT_USER\\A]\n",
         "line 3: " + deletion},
        {"REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"V\"=dword:1\n\"V\"=-\n", "line 5: " + deletion},
        {"REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n@=-\n", "line 4: " + deletion},
    };
    for (const auto& [text, expected] : bad) {
        vds::reg::Hive hive(QStringLiteral("HKEY_CURRENT_USER"));
        QString why;
        EXPECT_FALSE(hive.parse(text, &why)) << text;
        EXPECT_TRUE(why.contains(expected)) << text << " gave " << why.toStdString();
        EXPECT_TRUE(hive.root().children.empty()) << text;
    }
}

TEST(RegistryHiveText, HandWrittenAndExportedFormsAreRead) {
    // CRLF line ends, comments, any case, continued hex data, the default value and other
    // value types; sections may come in any order and repeat.
    const QByteArray text = "\r\n; written by hand\r\nWindows Registry Editor Version 5.00\r\n\r\n"
                            "[hkey_current_user\\Software\\Vireo\\App]\r\n"
                            "@=\"default\"\r\n"
                            "\"Data\"=hex:01,02,\\\r\n  03 , 04\r\n"
                            "\"Multi\"=hex(7):61,00,00,00,00,00\r\n"
                            "[HKEY_CURRENT_USER\\SOFTWARE\\VIREO\\app]\r\n"
                            "\"data\"=DWORD:1F\r\n";
    vds::reg::Hive hive(QStringLiteral("HKEY_CURRENT_USER"));
    QString why;
    ASSERT_TRUE(hive.parse(text, &why)) << why.toStdString();
    const vds::reg::HiveKey* app = hive.find({"SOFTWARE", "vireo", "APP"});
    ASSERT_NE(app, nullptr);
    ASSERT_EQ(app->values.size(), 3u);
    EXPECT_EQ(app->value(QString())->data, QByteArray("d\0e\0f\0a\0u\0l\0t\0\0\0", 16));
    EXPECT_EQ(app->value("DATA")->type, vds::reg::TypeDWord);
    EXPECT_EQ(app->value("DATA")->data, QByteArray("\x1F\0\0\0", 4));
    EXPECT_EQ(app->value("Multi")->type, vds::reg::TypeMultiString);

    // Read and written back unchanged, in the exported UTF-16 form as well.
    EXPECT_EQ(hive.serialize(), text);
    const QString asText = QString::fromUtf8(text);
    QByteArray utf16("\xFF\xFE", 2);
    utf16.append(reinterpret_cast<const char*>(asText.utf16()), asText.size() * 2);
    vds::reg::Hive again(QStringLiteral("HKEY_CURRENT_USER"));
    ASSERT_TRUE(again.parse(utf16, &why)) << why.toStdString();
    EXPECT_EQ(again.serialize(), utf16);

    vds::reg::Hive empty(QStringLiteral("HKEY_CURRENT_USER"));
    EXPECT_TRUE(empty.parse("\n  \n", &why));
}
