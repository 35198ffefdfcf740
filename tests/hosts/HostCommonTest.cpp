// What every host shares: numbers as people read them, and local paths and their URLs.

#include "FileUrls.h"
#include "HumanFormat.h"

#include <gtest/gtest.h>

TEST(HumanFormat, DurationsAndSizes) {
    EXPECT_EQ(formatDuration(0), "0:00:00");
    EXPECT_EQ(formatDuration(4499), "0:00:04");
    EXPECT_EQ(formatDuration(4500), "0:00:05");
    EXPECT_EQ(formatDuration(5412000), "1:30:12");
    EXPECT_EQ(formatDuration(100LL * 3600 * 1000), "100:00:00");
    EXPECT_EQ(formatSize(0), "0 B");
    EXPECT_EQ(formatSize(1023), "1023 B");
    EXPECT_EQ(formatSize(1024), "1.0 KiB");
    EXPECT_EQ(formatSize(734003200), "700 MiB");
    EXPECT_EQ(formatSize(1288490188), "1.2 GiB");
    // A value that would round to 1024 of a unit is the next unit.
    EXPECT_EQ(formatSize(1024LL * 1024 - 1), "1.0 MiB");
    EXPECT_EQ(formatSize(std::numeric_limits<qint64>::max()), "8.0 EiB");
    EXPECT_EQ(formatSize(-1), "-1");
}

TEST(FileUrls, UrlsHaveASchemeOfTwoOrMoreCharacters) {
    for (const char* url : {"magnet:?xt=urn:btih:abc%20d", "smb://host/share/f.mkv",
                            "https://example.com/a.mp4", "vireo_vod_file://ABC", "file:///x"})
        EXPECT_TRUE(isUrlText(QString::fromLatin1(url))) << url;
    for (const char* path : {"C:/Movies/a.avi", "film.mkv", "./magnet:x", "/tmp/a:b", ":x", "9p:x"})
        EXPECT_FALSE(isUrlText(QString::fromLatin1(path))) << path;

    const QUrl magnet = urlFromArgument(QStringLiteral("magnet:?xt=urn:btih:abc&dn=A%20B"));
    EXPECT_EQ(magnet.scheme(), "magnet");
    EXPECT_EQ(fallbackNameOf(magnet), "A B");
    EXPECT_EQ(absolutePath("/a/./b/../c//d/"), "/a/c/d");
    EXPECT_EQ(absolutePath("/.."), "/");
}

TEST(FileUrls, NamesKeepTheirBytes) {
    // Every byte value in a name, as Latin-1 and as cut-off UTF-8, and valid UTF-8 beside it.
    QByteArray name("/tmp/\xc3\xa9t\xc3\xa9 100% #1?");
    for (int byte = 1; byte < 256; ++byte)
        name += char(byte == '/' ? 'x' : byte);
    name += "\xe2\x82";

    const QString text = textFromLocalBytes(name);
    EXPECT_EQ(localBytesFromText(text), name);
    EXPECT_TRUE(text.startsWith(QString::fromUtf8("/tmp/\xc3\xa9t\xc3\xa9")));

    const QUrl url = fileUrlFromPath(name);
    ASSERT_TRUE(url.isValid());
    EXPECT_EQ(pathFromFileUrl(QUrl(url.toString(), QUrl::TolerantMode)), name);
    QByteArray other = name;
    other[other.size() - 1] = '\x83';
    EXPECT_NE(fileUrlFromPath(other).toString(), url.toString());

    // A UTF-8 name gets the URL it always got.
    const QString plain = QString::fromUtf8("/home/u/Vid\xc3\xa9os/clip one.mkv");
    EXPECT_EQ(fileUrlFromPath(plain.toUtf8()), QUrl::fromLocalFile(plain));
    EXPECT_EQ(pathFromFileUrl(QUrl(QStringLiteral("https://host/x"))), QByteArray());
}
