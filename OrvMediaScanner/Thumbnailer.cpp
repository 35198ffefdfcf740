#include "Thumbnailer.h"

#include "FileDescriptor.h"
#include "LoadableModule.h"
#include "OrvVersion.h"

#include <QFile>
#include <QList>
#include <QMimeDatabase>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The rendering module's entries, resolved once for the process; both null when it cannot be
// loaded, with failure saying why.
struct Renderer {
    RenderOpenFileFunction render = nullptr;
    RenderFailRecordFunction failRecord = nullptr;
    QString failure;
};

Renderer loadRenderer() {
    LoadableModule module("libOrvMediaThumbnail.so");
    Renderer entries;
    entries.render =
        reinterpret_cast<RenderOpenFileFunction>(module.entry(ORV_RENDER_ENTRY, &entries.failure));
    entries.failRecord = reinterpret_cast<RenderFailRecordFunction>(
        module.entry(ORV_FAIL_RECORD_ENTRY, &entries.failure));
    if (!entries.render || !entries.failRecord) {
        entries.render = nullptr;
        entries.failRecord = nullptr;
        return entries;
    }
    // Qt loads its image plugins the first time a picture is encoded, and a plugin loaded on a
    // worker thread that ends is destroyed at exit as an object of a thread that is gone, which
    // damages the heap: the first picture is encoded here, on the thread that loads the module
    // (the pools load it before their workers start).
    QByteArray png;
    entries.failRecord(PngTextChunks(), &png);
    return entries;
}

const Renderer& renderer(QString* error) {
    static const Renderer loaded = loadRenderer();
    if (!loaded.render)
        *error = loaded.failure;
    return loaded;
}

QString systemError(int code) {
    return QString::fromLocal8Bit(strerror(code));
}

// Makes the folders of path that are missing, each readable by its owner alone; folders that
// are there are left as they are.
bool makeFolders(const QByteArray& path) {
    struct stat status = {};
    if (stat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode))
        return true;
    for (qsizetype from = 1;;) {
        const qsizetype slash = path.indexOf('/', from);
        const QByteArray prefix = slash < 0 ? path : path.left(slash);
        if (mkdir(prefix.constData(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash < 0)
            return true;
        from = slash + 1;
    }
}

// Writes bytes to target whole or not at all: a temporary file beside it (made 0600), then a
// rename over it.
bool writeAtomically(const QString& target, const QByteArray& bytes, QString* error) {
    const QByteArray name = QFile::encodeName(target);
    if (!makeFolders(name.left(name.lastIndexOf('/')))) {
        *error = QStringLiteral("cannot make the folder of %1: %2").arg(target, systemError(errno));
        return false;
    }
    QByteArray temporary = name + ".XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        *error = QStringLiteral("cannot write %1: %2").arg(target, systemError(errno));
        return false;
    }
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t wrote =
            write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            break;
        written += wrote;
    }
    const int failure = written == bytes.size() ? 0 : errno;
    if (close(fd) != 0 || failure != 0 || rename(temporary.constData(), name.constData()) != 0) {
        *error = QStringLiteral("cannot write %1: %2")
                     .arg(target, systemError(failure ? failure : errno));
        unlink(temporary.constData());
        return false;
    }
    return true;
}

// The file's type as its name tells it; empty when the name says nothing.
QString mimeTypeOf(const QByteArray& path) {
    static const QMimeDatabase database;
    const QMimeType type =
        database.mimeTypeForFile(QFile::decodeName(path), QMimeDatabase::MatchExtension);
    return type.isDefault() ? QString() : type.name();
}

qint64 seconds(const struct stat& status) {
    return qint64(status.st_mtim.tv_sec);
}

} // namespace

bool Thumbnailer::renderingAvailable(QString* error) {
    return renderer(error).render != nullptr;
}

ThumbnailOutcome Thumbnailer::make(const QByteArray& path) const {
    ThumbnailOutcome outcome;
    outcome.kind = ThumbnailOutcome::Skipped;
    struct stat status = {};
    if (stat(path.constData(), &status) != 0) {
        outcome.reason = systemError(errno);
        return outcome;
    }
    if (!S_ISREG(status.st_mode)) {
        outcome.reason = QStringLiteral("not a regular file");
        return outcome;
    }
    const QByteArray uri = ThumbnailCache::uriOf(path);
    QList<ThumbnailSize> wanted;
    for (ThumbnailSize size : {ThumbnailSize::Normal, ThumbnailSize::Large}) {
        if (!ThumbnailCache::isFresh(store.pathOf(uri, size), uri, seconds(status)))
            wanted.append(size);
    }
    if (wanted.isEmpty()) {
        outcome.kind = ThumbnailOutcome::Fresh;
        return outcome;
    }
    const QString failRecord = store.failPathOf(uri);
    if (ThumbnailCache::isFresh(failRecord, uri, seconds(status))) {
        outcome.kind = ThumbnailOutcome::FailedBefore;
        outcome.reason = QStringLiteral("no picture could be made of it before");
        return outcome;
    }
    const Renderer& loaded = renderer(&outcome.reason);
    if (!loaded.render)
        return outcome;
    // O_NONBLOCK: a FIFO put where the file was never waits for a writer.
    const FileDescriptor file(open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.get() < 0 || fstat(file.get(), &status) != 0) {
        outcome.reason = systemError(errno);
        return outcome;
    }
    if (!S_ISREG(status.st_mode)) {
        outcome.reason = QStringLiteral("not a regular file");
        return outcome;
    }

    // What the pictures say of the file, as the time of the very file read.
    RenderRequest request;
    request.text = {{"Thumb::URI", QString::fromLatin1(uri)},
                    {"Thumb::MTime", QString::number(seconds(status))},
                    {"Thumb::Size", QString::number(qint64(status.st_size))}};
    const QString type = mimeTypeOf(path);
    if (!type.isEmpty())
        request.text.append({"Thumb::Mimetype", type});
    request.text.append({"Software", QStringLiteral("orvmedia " ORV_VERSION)});
    for (ThumbnailSize size : wanted)
        request.sizes.append(ThumbnailCache::pixels(size));
    RenderResult rendered;
    const qsizetype slash = path.lastIndexOf('/');
    loaded.render(file.get(), path.mid(slash + 1), limits, request, &rendered);

    if (!rendered.rendered || rendered.pngs.size() != wanted.size()) {
        outcome.kind = ThumbnailOutcome::Failed;
        outcome.reason = rendered.reason;
        QByteArray png;
        loaded.failRecord(request.text, &png);
        QString error;
        if (png.isEmpty() || !writeAtomically(failRecord, png, &error))
            outcome.reason += QStringLiteral(" (the failure could not be recorded: %1)").arg(error);
        return outcome;
    }
    for (qsizetype i = 0; i < wanted.size(); ++i) {
        if (!writeAtomically(store.pathOf(uri, wanted.at(i)), rendered.pngs.at(i), &outcome.reason))
            return outcome;
    }
    outcome.kind = ThumbnailOutcome::Made;
    return outcome;
}
