// Recovery of downloads that a stopped player left unfinished: their rows go back to the start
// (status 1, 0 %, no temporary file) and the partial-download files beside their temporary
// files are deleted.

#include "rows/AcquiredFileOperations.h"

#include "database/SqlValues.h"
#include "rows/NodeStatements.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QRegularExpression>
#include <QUrl>

namespace VireoStudio {

namespace {

// The files a partial download keeps beside its temporary file, under the same base name.
const char* const kSideFileExtensions[] = {".ddat", ".dinfo", ".dmsk"};

const qint64 kNewStatus = 1;
const qint64 kStalledStatus = 6;
const qint64 kComplete = 100;

bool isInterrupted(qint64 status, qint64 percent) {
    return (status == kNewStatus && percent < kComplete) || status == kStalledStatus;
}

// The local path a temp_uri names: the text after its scheme without the slashes that lead to
// it. A drive-letter path ("C:/dl/movie.part") stays as it is; any other path keeps its root,
// so that "file:///tmp/dl/movie.part" names /tmp/dl/movie.part and never a path below the
// working folder. Parsed tolerantly, as every stored URL text is: the text is stored in its
// decoded form, where a folder name with a space is written as it is.
QString temporaryFilePath(const QString& tempUri) {
    QString path = orv::urlFromText(tempUri).toString(QUrl::RemoveScheme);
    qsizetype slashes = 0;
    while (slashes < path.size() && path.at(slashes) == QLatin1Char('/'))
        ++slashes;
    path.remove(0, slashes);
    static const QRegularExpression drivePath(QStringLiteral("^[A-Za-z]:[/\\\\]"));
    if (!drivePath.match(path).hasMatch())
        path.prepend(QLatin1Char('/'));
    return path;
}

// Deletes the side files of one download: those named as the temporary file up to its first
// ".", with the three side-file extensions, in the temporary file's folder. A file that cannot
// be deleted stays; a path this system cannot root (a drive letter where there are none) is
// left alone rather than looked up below the working folder.
void removeDownloadSideFiles(const QString& tempUri) {
    if (tempUri.isEmpty())
        return;
    const QString path = temporaryFilePath(tempUri);
    if (!QDir::isAbsolutePath(path))
        return;
    const QFileInfo temporary(path);
    if (temporary.fileName().isEmpty())
        return;
    const QDir folder = temporary.dir();
    const QString baseName = temporary.baseName();
    for (const char* extension : kSideFileExtensions) {
        const QString name = baseName + QLatin1String(extension);
        if (folder.exists(name))
            QFile::remove(folder.absoluteFilePath(name));
    }
}

} // namespace

bool AcquiredFileOperations::resetInterruptedDownloads(RowOwner& owner) {
    LibraryContext& context = owner.context();
    MediaManagerInterface& library = owner.library();
    // The statements share the one connection with every other operation; the library may
    // have been closed on another thread until the lock was had.
    QMutexLocker lock(&context.mutex());
    if (!context.isOpen())
        return false;

    // Node ids are 64-bit: a narrower id would reset another download's row.
    QList<qint64> interrupted;
    bool selected = false;
    {
        Statement select = context.statement(NodeStatements::kUnfinishedDownloads);
        selected = select && select.exec();
        while (selected && select.next()) {
            if (!isInterrupted(select.value(1).toLongLong(), select.value(2).toLongLong()))
                continue;
            interrupted.append(select.value(0).toLongLong());
            removeDownloadSideFiles(select.value(3).toString());
        }
    }
    // A library whose downloads cannot even be listed is not used any further.
    if (!selected) {
        context.close();
        return false;
    }

    // Each row is reset in a transaction of its own, the one selected last first, so that a
    // failure on one row does not undo the others.
    while (!interrupted.isEmpty()) {
        const qint64 nodeId = interrupted.takeLast();
        Statement reset = context.statement(NodeStatements::kResetDownload);
        library.beginTransaction();
        if (reset) {
            reset.bindValue(":ID", nodeId);
            reset.exec();
        }
        reset.finish();
        // A commit that fails leaves no transaction behind for the next row to nest in.
        if (!library.commitTransaction())
            library.rollbackTransaction();
    }
    return true;
}

} // namespace VireoStudio
