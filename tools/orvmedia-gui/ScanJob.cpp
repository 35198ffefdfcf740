#include "ScanJob.h"

#include "PluginSession.h"
#include "Scan.h"
#include "ScanRecord.h"

#include <QElapsedTimer>

ScanJob::ScanJob(const QList<QByteArray>& paths, QObject* parent) : QThread(parent), paths(paths) {}

void ScanJob::run() {
    PluginSession session("orvmedia-gui", PluginSession::KeepMessages);
    if (!session.load(QString(), &failure))
        return;
    if (!session.library()->isOpen()) {
        failure = QStringLiteral("cannot open the library at %1").arg(PluginSession::libraryFile());
        return;
    }
    ScanOptions options;
    options.recordFile = ScanRecord::fileFor(PluginSession::libraryFile());
    Scan scan(session.library(), options);
    QElapsedTimer sinceTold;
    sinceTold.start();
    scan.progress = [this, &sinceTold](const ScanCounts& counts) {
        if (sinceTold.elapsed() < 100)
            return;
        sinceTold.restart();
        emit progressed(counts.handled(), counts.found, counts.discovering);
    };
    scan.report = [this](const FileReport& report) {
        if (report.outcome == Outcome::Added || report.outcome == Outcome::AlreadyInLibrary)
            inLibrary.append(report.path);
    };
    stored = scan.run(paths, &failure);
    tally = scan.counts();
}
