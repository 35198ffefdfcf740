#include "ScanRecord.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

const char kFolder[] = "/Vireo/Vireo Studio";
const QByteArray kMagic("OrvScanRecord\x01");
const QCryptographicHash::Algorithm kChecksum = QCryptographicHash::Sha1;
const int kChecksumSize = 20;

} // namespace

QString ScanRecord::fileFor(const QString& libraryPath) {
    QString cache = QString::fromLocal8Bit(qgetenv("XDG_CACHE_HOME"));
    if (cache.isEmpty())
        cache = QDir::homePath() + QStringLiteral("/.cache");
    const QByteArray name =
        QCryptographicHash::hash(QFileInfo(libraryPath).absoluteFilePath().toUtf8(), kChecksum)
            .toHex()
            .left(16);
    return cache + QLatin1String(kFolder) + QStringLiteral("/scan-record-") +
           QString::fromLatin1(name);
}

bool ScanRecord::load() {
    entries.clear();
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = input.readAll();
    if (bytes.size() < kMagic.size() + kChecksumSize || !bytes.startsWith(kMagic))
        return false;
    const QByteArray body = bytes.left(bytes.size() - kChecksumSize);
    if (QCryptographicHash::hash(body, kChecksum) != bytes.right(kChecksumSize))
        return false;
    QDataStream stream(body.mid(kMagic.size()));
    quint32 count = 0;
    stream >> count;
    entries.reserve(qsizetype(count));
    for (quint32 i = 0; i < count && stream.status() == QDataStream::Ok; ++i) {
        QByteArray path;
        ProbeResult result;
        qint8 kind = 0;
        stream >> path >> result.size >> result.modifiedNs >> kind >> result.durationMs >>
            result.title >> result.reason;
        result.kind = kind == ProbeResult::Video ? ProbeResult::Video : ProbeResult::NotVideo;
        entries.insert(path, result);
    }
    if (stream.status() != QDataStream::Ok || !stream.atEnd()) {
        entries.clear();
        return false;
    }
    return true;
}

bool ScanRecord::save() const {
    QByteArray body = kMagic;
    {
        QDataStream stream(&body, QIODevice::Append);
        stream << quint32(entries.size());
        for (auto it = entries.constBegin(); it != entries.constEnd(); ++it) {
            const ProbeResult& result = it.value();
            stream << it.key() << result.size << result.modifiedNs << qint8(result.kind)
                   << result.durationMs << result.title << result.reason;
        }
    }
    QDir().mkpath(QFileInfo(file).absolutePath());
    QSaveFile output(file);
    if (!output.open(QIODevice::WriteOnly))
        return false;
    output.write(body);
    output.write(QCryptographicHash::hash(body, kChecksum));
    return output.commit();
}

const ProbeResult* ScanRecord::lookUp(const QByteArray& path, qint64 size,
                                      qint64 modifiedNs) const {
    const auto it = entries.constFind(path);
    if (it == entries.constEnd() || it->size != size || it->modifiedNs != modifiedNs)
        return nullptr;
    return &it.value();
}

void ScanRecord::remember(const QByteArray& path, const ProbeResult& result) {
    if (result.kind == ProbeResult::Unreadable)
        entries.remove(path);
    else
        entries.insert(path, result);
}

void ScanRecord::forget(const QByteArray& path) {
    entries.remove(path);
}
