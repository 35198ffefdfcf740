// Hive files as people and tools write them: every encoding and header, comments, continued hex
// data, long lines, escapes and names given twice. A write changes only the lines of the value it
// writes; the rest of the file keeps its bytes.

#include "SettingsTestSupport.h"

#include <set>

namespace {

struct FileForm {
    const char* label;
    const char* header;
    const char* lineEnd;
    QByteArray (*encode)(const QString& text);
};

QByteArray utf16WithMark(const QString& text) {
    QByteArray bytes("\xFF\xFE", 2);
    return bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}
QByteArray utf8(const QString& text) {
    return text.toUtf8();
}
QByteArray utf8WithMark(const QString& text) {
    return "\xEF\xBB\xBF" + text.toUtf8();
}
QByteArray eightBit(const QString& text) {
    return text.toLatin1();
}

const FileForm kForms[] = {
    {"UTF-16LE, mark, CRLF", "Windows Registry Editor Version 5.00", "\r\n", utf16WithMark},
    {"UTF-8, LF", "Windows Registry Editor Version 5.00", "\n", utf8},
    {"UTF-8, mark, CRLF", "Windows Registry Editor Version 5.00", "\r\n", utf8WithMark},
    {"REGEDIT4, 8-bit, CRLF", "REGEDIT4", "\r\n", eightBit},
};

const QString kApp = QStringLiteral("[HKEY_CURRENT_USER\\SOFTWARE\\Vireo\\Settings\\App]");

QStringList handWritten(const char* header) {
    return {
        QStringLiteral("; Settings of the media library, edited by hand"),
        QLatin1String(header),
        QString(),
        kApp,
        QStringLiteral("@=\"Default text\""),
        QStringLiteral("; the folder the player opens first"),
        QStringLiteral("\"Folder\"=\"C:\\\\Films \\\"best\\\" caf\u00e9\""),
        QStringLiteral("\"Long\"=\"%1\"").arg(QString(300, QLatin1Char('x'))),
        QStringLiteral("\"Data\"=hex:01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,"
                       "15,16,17,18,\\"),
        QStringLiteral("  19,1a,1b"),
        QStringLiteral("\"Count\"=dword:00000005"),
        QStringLiteral("\"count\"=dword:00000007"),
        QString(),
        QStringLiteral("; playback"),
        QStringLiteral("[HKEY_CURRENT_USER\\SOFTWARE\\Vireo\\Settings\\App\\Playback]"),
        QStringLiteral("\"RecentFileMaximum\"=dword:0000001e"),
        QString(),
    };
}

} // namespace

TEST_F(SettingsStoreTest, WritesChangeOnlyTheirLinesInEveryFileForm) {
    for (const FileForm& form : kForms) {
        SCOPED_TRACE(form.label);
        QStringList lines = handWritten(form.header);
        auto bytes = [&] { return form.encode(lines.join(QLatin1String(form.lineEnd))); };
        writeFile(userFile(), bytes());

        SettingsPtr app = open("Settings/App", vds::CREATE_USER);
        ASSERT_TRUE(app);
        QString text;
        ASSERT_TRUE(app->getString(QString(), text));
        EXPECT_EQ(text, QStringLiteral("Default text"));
        ASSERT_TRUE(app->getString("Folder", text));
        EXPECT_EQ(text, QStringLiteral("C:\\Films \"best\" caf\u00e9"));
        ASSERT_TRUE(app->getString("Long", text));
        EXPECT_EQ(text.size(), 300);
        QByteArray data;
        ASSERT_TRUE(app->getBinary("Data", data));
        EXPECT_EQ(data.size(), 27);
        // A name given twice in different case is one value: the later line holds, the first
        // spelling names it.
        qint32 count = 0;
        ASSERT_TRUE(app->getInt("COUNT", count));
        EXPECT_EQ(count, 7);
        std::set<QString> names;
        ASSERT_TRUE(app->getValueNames(names));
        EXPECT_EQ(names, (std::set<QString>{"", "Count", "Data", "Folder", "Long"}));
        EXPECT_EQ(readFile(userFile()), bytes()) << "opening wrote the file";

        ASSERT_TRUE(app->setString("", "New default"));
        lines[4] = QStringLiteral("@=\"New default\"");
        EXPECT_EQ(readFile(userFile()), bytes());

        ASSERT_TRUE(app->setBool("COUNT", true));
        lines[11] = QStringLiteral("\"count\"=dword:00000001");
        EXPECT_EQ(readFile(userFile()), bytes());

        ASSERT_TRUE(app->setString("Added", "a \\ and a \""));
        lines.insert(12, QStringLiteral("\"Added\"=\"a \\\\ and a \\\"\""));
        EXPECT_EQ(readFile(userFile()), bytes());

        ASSERT_TRUE(app->deleteValue("data"));
        lines.remove(8, 2);
        EXPECT_EQ(readFile(userFile()), bytes());

        // A removed key takes its section; the comment before it belongs to the key above.
        ASSERT_TRUE(child(app, "Playback")->remove());
        lines.remove(lines.size() - 3, 3);
        lines << QString();
        EXPECT_EQ(readFile(userFile()), bytes());
    }
}

TEST_F(SettingsStoreTest, Regedit4FileKeepsItsEightBitText) {
    // Windows-1252: 0x80 is the euro sign; hex(7) holds 8-bit strings.
    const QByteArray original = "REGEDIT4\r\n\r\n"
                                "[HKEY_CURRENT_USER\\SOFTWARE\\Vireo\\Settings\\App]\r\n"
                                "\"Price\"=\"5 \x80\"\r\n"
                                "\"Paths\"=hex(7):43,3a,5c,00,44,3a,5c,e9,00,00\r\n"
                                "\r\n";
    writeFile(userFile(), original);
    const vtl::RefCountedPtr<vds::VireoSettings> app(
        static_cast<vds::VireoSettings*>(open("Settings/App", vds::CREATE_USER).get()));
    ASSERT_TRUE(app);
    QString text;
    ASSERT_TRUE(app->getString("Price", text));
    EXPECT_EQ(text, QStringLiteral("5 \u20ac"));
    quint32 type = 0;
    QByteArray data;
    ASSERT_TRUE(app->readTypedValue("Paths", type, data));
    EXPECT_EQ(type, vds::reg::TypeMultiString);
    EXPECT_EQ(data, QByteArray("C\0:\0\\\0\0\0D\0:\0\\\0\xe9\0\0\0\0\0", 20));

    // A name the code page lacks cannot be written; text it lacks is kept as UTF-16 bytes.
    EXPECT_FALSE(app->setString(QStringLiteral("\u2192"), QStringLiteral("x")));
    EXPECT_EQ(readFile(userFile()), original);
    ASSERT_TRUE(app->setString("Price", QStringLiteral("\u20ac 6")));
    ASSERT_TRUE(app->setString("Arrow", QStringLiteral("\u2192")));
    ASSERT_TRUE(
        app->writeTypedValue("Paths", vds::reg::TypeMultiString, QByteArray("E\0:\0\0\0\0\0", 8)));
    EXPECT_EQ(readFile(userFile()),
              QByteArray("REGEDIT4\r\n\r\n"
                         "[HKEY_CURRENT_USER\\SOFTWARE\\Vireo\\Settings\\App]\r\n"
                         "\"Price\"=\"\x80 6\"\r\n"
                         "\"Paths\"=hex(7):45,3a,00,00\r\n"
                         "\"Arrow\"=hex(1):92,21,00,00\r\n"
                         "\r\n"));
}
