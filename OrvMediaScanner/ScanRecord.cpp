#include "ScanRecord.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>

#include <sys/stat.h>

namespace {

const char kFolder[] = "/Vireo/Vireo Studio";
// The layout: this mark, the number of entries, the entries, the listing, then the checksum of
// everything before it. An entry: path, size, modification time, kind, duration, title, reason.
// The listing: 0 when there is none, else 1, the stamp's five numbers, the number of files and
// the files: id, path, size, duration, whether a title is stored, title. Numbers little-endian,
// texts as a 32-bit length and UTF-8 bytes.
const QByteArray kMagic("OrvScanRecord\x04");
const qsizetype kChecksumSize = 8;

// A checksum that tells a damaged record from a sound one (not an adversary's: the record is
// the user's own cache): 64-bit multiply-and-rotate over 8-byte words, then the tail.
QByteArray checksumOf(QByteArrayView data) {
    quint64 sum = 0x9E3779B97F4A7C15ULL ^ quint64(data.size());
    const char* at = data.data();
    qsizetype left = data.size();
    const auto mix = [&sum](quint64 word) {
        sum ^= word * 0xFF51AFD7ED558CCDULL;
        sum = ((sum << 31) | (sum >> 33)) * 0xC4CEB9FE1A85EC53ULL;
    };
    for (; left >= 8; left -= 8, at += 8)
        mix(qFromLittleEndian<quint64>(at));
    quint64 tail = 0;
    for (qsizetype i = 0; i < left; ++i)
        tail |= quint64(uchar(at[i])) << (8 * i);
    mix(tail);
    QByteArray out(kChecksumSize, Qt::Uninitialized);
    qToLittleEndian(sum, out.data());
    return out;
}
// Bytes a chunk of remembered entries holds; an entry larger than this gets a chunk of its own.
const qsizetype kChunkSize = 256 * 1024;

// Reads the fields of the layout from bytes, each checked against the end.
class Reader {
public:
    Reader(const QByteArray& bytes, qsizetype from, qsizetype end)
        : bytes(bytes), at(from), end(end) {}
    bool ok() const { return good; }
    qsizetype position() const { return at; }
    template <typename T> T number() {
        if (!take(sizeof(T)))
            return T();
        return qFromLittleEndian<T>(bytes.constData() + at - qsizetype(sizeof(T)));
    }
    // A text's bytes, pointing into the record without a copy.
    QByteArray text() {
        const qsizetype length = number<quint32>();
        if (!take(length))
            return QByteArray();
        return QByteArray::fromRawData(bytes.constData() + at - length, length);
    }
    void skipText() { text(); }

private:
    bool take(qsizetype length) {
        good = good && length >= 0 && end - at >= length;
        if (good)
            at += length;
        return good;
    }
    const QByteArray& bytes;
    qsizetype at;
    qsizetype end;
    bool good = true;
};

template <typename T> void appendNumber(QByteArray* out, T value) {
    char buffer[sizeof(T)];
    qToLittleEndian(value, buffer);
    out->append(buffer, qsizetype(sizeof(T)));
}

void appendText(QByteArray* out, const QByteArray& text) {
    appendNumber(out, quint32(text.size()));
    out->append(text);
}

} // namespace

QString ScanRecord::fileFor(const QString& libraryPath) {
    QString cache = QString::fromLocal8Bit(qgetenv("XDG_CACHE_HOME"));
    if (cache.isEmpty())
        cache = QDir::homePath() + QStringLiteral("/.cache");
    const QByteArray name =
        QCryptographicHash::hash(QFileInfo(libraryPath).absoluteFilePath().toUtf8(),
                                 QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    return cache + QLatin1String(kFolder) + QStringLiteral("/scan-record-") +
           QString::fromLatin1(name);
}

bool ScanRecord::load() {
    entries.clear();
    chunks.clear();
    listed.clear();
    listedStamp.reset();
    bytes.clear();
    mapped.reset();
    changed = true; // a record that cannot be read is written anew
    // The record is mapped, not copied: its pages come from the file cache as they are read.
    // The file is only ever replaced whole (save renames a new file over it), never cut in
    // place, so the mapping holds while it is in use.
    auto input = std::make_unique<QFile>(file);
    if (!input->open(QIODevice::ReadOnly) || input->size() < kMagic.size() + kChecksumSize)
        return false;
    const uchar* data = input->map(0, input->size());
    if (!data)
        return false;
    bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), input->size());
    mapped = std::move(input);
    const qsizetype end = bytes.size() - kChecksumSize;
    if (!bytes.startsWith(kMagic) ||
        checksumOf(QByteArrayView(bytes).first(end)) != QByteArrayView(bytes).sliced(end)) {
        bytes.clear();
        mapped.reset();
        return false;
    }
    Reader reader(bytes, kMagic.size(), end);
    const quint32 count = reader.number<quint32>();
    entries.reserve(qsizetype(qMin<quint32>(count, quint32(end / 32))));
    for (quint32 i = 0; i < count && reader.ok(); ++i) {
        const QByteArray path = reader.text();
        Entry entry;
        entry.size = reader.number<qint64>();
        entry.modifiedNs = reader.number<qint64>();
        entry.offset = reader.position();
        reader.number<qint8>();
        reader.number<qint64>();
        reader.skipText();
        reader.skipText();
        entries.insert(path, entry);
    }
    listedStamp.reset();
    listed.clear();
    if (reader.number<qint8>() == 1) {
        LibraryStamp stamp;
        stamp.device = reader.number<qint64>();
        stamp.inode = reader.number<qint64>();
        stamp.size = reader.number<qint64>();
        stamp.modifiedNs = reader.number<qint64>();
        stamp.changedNs = reader.number<qint64>();
        const quint32 files = reader.number<quint32>();
        listed.reserve(qsizetype(qMin<quint32>(files, quint32(end / 32))));
        for (quint32 i = 0; i < files && reader.ok(); ++i) {
            ListedFile listedFile;
            listedFile.id = reader.number<quint64>();
            listedFile.path = reader.text();
            listedFile.size = reader.number<qint64>();
            listedFile.duration = reader.number<qint64>();
            const bool hasTitle = reader.number<qint8>() == 1;
            const QByteArray title = reader.text();
            listedFile.title = hasTitle ? (title.isNull() ? QByteArray("") : title) : QByteArray();
            listed.append(listedFile);
        }
        listedStamp = stamp;
    }
    if (!reader.ok() || reader.position() != end) {
        entries.clear();
        listed.clear();
        listedStamp.reset();
        bytes.clear();
        mapped.reset();
        return false;
    }
    changed = false;
    return true;
}

const QByteArray& ScanRecord::chunkOf(const Entry& entry) const {
    return entry.chunk < 0 ? bytes : chunks.at(entry.chunk);
}

ProbeResult ScanRecord::resultOf(const Entry& entry) const {
    const QByteArray& chunk = chunkOf(entry);
    Reader reader(chunk, entry.offset,
                  entry.chunk < 0 ? chunk.size() - kChecksumSize : chunk.size());
    ProbeResult result;
    result.kind =
        reader.number<qint8>() == ProbeResult::Video ? ProbeResult::Video : ProbeResult::NotVideo;
    result.durationMs = reader.number<qint64>();
    result.title = QString::fromUtf8(reader.text());
    result.reason = QString::fromUtf8(reader.text());
    result.size = entry.size;
    result.modifiedNs = entry.modifiedNs;
    return result;
}

bool ScanRecord::save() {
    if (!changed)
        return true;
    QByteArray out = kMagic;
    out.reserve(bytes.size() + chunks.size() * kChunkSize);
    appendNumber(&out, quint32(entries.size()));
    for (auto it = entries.constBegin(); it != entries.constEnd(); ++it) {
        // The path, then the entry's fields as they lie, whichever bytes hold them.
        const Entry& entry = it.value();
        const QByteArray& chunk = chunkOf(entry);
        Reader reader(chunk, entry.offset, chunk.size());
        reader.number<qint8>();
        reader.number<qint64>();
        reader.skipText();
        reader.skipText();
        appendText(&out, it.key());
        appendNumber(&out, entry.size);
        appendNumber(&out, entry.modifiedNs);
        out.append(chunk.constData() + entry.offset, reader.position() - entry.offset);
    }
    appendNumber(&out, qint8(listedStamp ? 1 : 0));
    if (listedStamp) {
        for (const qint64 number : {listedStamp->device, listedStamp->inode, listedStamp->size,
                                    listedStamp->modifiedNs, listedStamp->changedNs})
            appendNumber(&out, number);
        appendNumber(&out, quint32(listed.size()));
        for (const ListedFile& listedFile : std::as_const(listed)) {
            appendNumber(&out, listedFile.id);
            appendText(&out, listedFile.path);
            appendNumber(&out, listedFile.size);
            appendNumber(&out, listedFile.duration);
            appendNumber(&out, qint8(listedFile.title.isNull() ? 0 : 1));
            appendText(&out, listedFile.title);
        }
    }
    out.append(checksumOf(out));
    QDir().mkpath(QFileInfo(file).absolutePath());
    QSaveFile output(file);
    if (!output.open(QIODevice::WriteOnly))
        return false;
    output.write(out);
    changed = !output.commit();
    return !changed;
}

bool ScanRecord::holds(const QByteArray& path, qint64 size, qint64 modifiedNs) const {
    const auto it = entries.constFind(path);
    return it != entries.constEnd() && it->size == size && it->modifiedNs == modifiedNs;
}

std::optional<ProbeResult> ScanRecord::lookUp(const QByteArray& path, qint64 size,
                                              qint64 modifiedNs) const {
    const auto it = entries.constFind(path);
    if (it == entries.constEnd() || it->size != size || it->modifiedNs != modifiedNs)
        return std::nullopt;
    return resultOf(it.value());
}

void ScanRecord::remember(const QByteArray& path, const ProbeResult& result) {
    if (result.kind == ProbeResult::Unreadable) {
        forget(path);
        return;
    }
    const QByteArray title = result.title.toUtf8();
    const QByteArray reason = result.reason.toUtf8();
    const qsizetype needed = 4 + path.size() + 1 + 8 + 4 + title.size() + 4 + reason.size();
    if (chunks.isEmpty() || chunks.last().capacity() - chunks.last().size() < needed) {
        chunks.append(QByteArray());
        chunks.last().reserve(qMax(kChunkSize, needed));
    }
    // Appending within the capacity reserved never moves the chunk's bytes.
    QByteArray& chunk = chunks.last();
    appendText(&chunk, path);
    const QByteArray key =
        QByteArray::fromRawData(chunk.constData() + chunk.size() - path.size(), path.size());
    Entry entry;
    entry.size = result.size;
    entry.modifiedNs = result.modifiedNs;
    entry.chunk = qint32(chunks.size() - 1);
    entry.offset = chunk.size();
    appendNumber(&chunk, qint8(result.kind));
    appendNumber(&chunk, result.durationMs);
    appendText(&chunk, title);
    appendText(&chunk, reason);
    entries.remove(path);
    entries.insert(key, entry);
    changed = true;
}

void ScanRecord::forget(const QByteArray& path) {
    changed = entries.remove(path) || changed;
}

bool ScanRecord::LibraryStamp::operator==(const LibraryStamp& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modifiedNs == other.modifiedNs && changedNs == other.changedNs;
}

std::optional<ScanRecord::LibraryStamp> ScanRecord::LibraryStamp::of(const QString& libraryFile) {
    const QByteArray path = QFile::encodeName(libraryFile);
    struct stat status = {};
    if (stat((path + "-journal").constData(), &status) == 0 ||
        stat((path + "-wal").constData(), &status) == 0 || stat(path.constData(), &status) != 0)
        return std::nullopt;
    const auto nanoseconds = [](const timespec& time) {
        return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
    };
    LibraryStamp stamp;
    stamp.device = qint64(status.st_dev);
    stamp.inode = qint64(status.st_ino);
    stamp.size = qint64(status.st_size);
    stamp.modifiedNs = nanoseconds(status.st_mtim);
    stamp.changedNs = nanoseconds(status.st_ctim);
    return stamp;
}

void ScanRecord::keepListing(const LibraryStamp& stamp, QList<ListedFile> files) {
    listedStamp = stamp;
    listed = std::move(files);
    changed = true;
}

const QList<ScanRecord::ListedFile>* ScanRecord::listing(const LibraryStamp& now) const {
    if (!listedStamp || !(*listedStamp == now))
        return nullptr;
    return &listed;
}

void ScanRecord::dropListing() {
    if (!listedStamp)
        return;
    listedStamp.reset();
    listed.clear();
    changed = true;
}
