#include "LibraryHeader.h"

#include <QFile>
#include <QtEndian>

#include <cstring>

#include <sqlite3.h>

namespace LibraryMaintenance {

namespace {

const int kHeaderSize = 100;
const char kMagic[] = "SQLite format 3"; // followed by its terminating zero byte

// The page size of bytes 16-17: a power of two from 512 to 32768, or 1 for 65536.
int pageSizeOf(const uchar* header) {
    const int raw = qFromBigEndian<quint16>(header + 16);
    const int size = raw == 1 ? 65536 : raw;
    if (size < 512 || (size & (size - 1)) != 0)
        return 0;
    return size;
}

} // namespace

FileHeader readFileHeader(const QString& path) {
    FileHeader header;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return header;
    header.fileSize = file.size();
    const QByteArray bytes = file.read(kHeaderSize);
    if (bytes.size() < kHeaderSize)
        return header;
    const auto* raw = reinterpret_cast<const uchar*>(bytes.constData());
    header.zeroed = bytes.count('\0') == kHeaderSize;
    header.sqlite = bytes.startsWith(QByteArray(kMagic, sizeof kMagic));
    if (!header.sqlite)
        return header;
    header.pageSize = pageSizeOf(raw);
    // The page count at 28 is valid when the change counter at 24 matches the one at 92.
    if (qFromBigEndian<quint32>(raw + 24) == qFromBigEndian<quint32>(raw + 92))
        header.pages = qFromBigEndian<quint32>(raw + 28);
    return header;
}

Problems headerProblems(const FileHeader& header, bool* openable) {
    *openable = false;
    const QString file;
    if (header.fileSize < 0)
        return {
            {QStringLiteral("missing"), file, QStringLiteral("the library file cannot be read")}};
    if (header.fileSize == 0)
        return {{QStringLiteral("empty"), file,
                 QStringLiteral("the library file is empty: it holds no library")}};
    if (header.fileSize < kHeaderSize)
        return {{QStringLiteral("cut-short"), file,
                 QStringLiteral("the file is cut short: %1 bytes, less than its 100-byte header")
                     .arg(header.fileSize)}};
    if (header.zeroed)
        return {{QStringLiteral("header"), file,
                 QStringLiteral("the file's header (its first 100 bytes) is zeroed")}};
    if (!header.sqlite)
        return {{QStringLiteral("not-a-database"), file,
                 QStringLiteral("the file is not an SQLite database: it does not begin with "
                                "SQLite's header")}};
    if (header.pageSize == 0)
        return {{QStringLiteral("header"), file,
                 QStringLiteral("the file's header gives no valid page size")}};
    *openable = true;
    const qint64 counted = header.pages * header.pageSize;
    if (header.fileSize < counted)
        return {{QStringLiteral("cut-short"), file,
                 QStringLiteral("the file is cut short: %1 bytes, where its header counts %2 "
                                "pages of %3 bytes (%4 bytes)")
                     .arg(header.fileSize)
                     .arg(header.pages)
                     .arg(header.pageSize)
                     .arg(counted)}};
    if (header.fileSize % header.pageSize != 0)
        return {{QStringLiteral("cut-short"), file,
                 QStringLiteral("the file ends part of the way into a page: %1 bytes are no "
                                "whole number of %2-byte pages")
                     .arg(header.fileSize)
                     .arg(header.pageSize)}};
    return {};
}

bool writePlainHeader(const QString& path, int pageSize) {
    QByteArray header(kHeaderSize, '\0');
    auto* raw = reinterpret_cast<uchar*>(header.data());
    std::memcpy(raw, kMagic, sizeof kMagic);
    qToBigEndian<quint16>(pageSize == 65536 ? 1 : quint16(pageSize), raw + 16);
    raw[18] = 1;                        // file format write version: rollback journal
    raw[19] = 1;                        // read version
    raw[21] = 64;                       // maximum embedded payload fraction
    raw[22] = 32;                       // minimum embedded payload fraction
    raw[23] = 32;                       // leaf payload fraction
    qToBigEndian<quint32>(1, raw + 24); // change counter; 92 differs, so the page count at
                                        // 28 is ignored and SQLite counts the file's pages
    qToBigEndian<quint32>(4, raw + 44); // schema format
    qToBigEndian<quint32>(1, raw + 56); // text encoding: UTF-8
    qToBigEndian<quint32>(quint32(SQLITE_VERSION_NUMBER), raw + 96);
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.write(header) == kHeaderSize;
}

} // namespace LibraryMaintenance
