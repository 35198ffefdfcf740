#include "DailyBackup.h"

#include <QDateTime>
#include <QThread>
#include <QTimer>

#include <memory>

#include "LibraryBackup.h"

namespace {
// Backups kept: a week of days the window ran on.
const int kBackupsKept = 7;
const int kCheckEveryMs = 4 * 60 * 60 * 1000;

// The one place the window takes a backup.
bool takeDailyBackup(const QString& libraryFile, QString* taken, QString* error) {
#ifdef ORV_LIBRARY_MAINTENANCE
    return LibraryMaintenance::dailyBackup(libraryFile, kBackupsKept, QDateTime::currentDateTime(),
                                           taken, error);
#else
    Q_UNUSED(libraryFile);
    Q_UNUSED(taken);
    Q_UNUSED(error);
    return true;
#endif
}
} // namespace

DailyBackup::DailyBackup(const QString& libraryFile, QObject* parent)
    : QObject(parent), libraryFile(libraryFile), again(new QTimer(this)) {
    again->setInterval(kCheckEveryMs);
    connect(again, &QTimer::timeout, this, &DailyBackup::takeNow);
}

DailyBackup::~DailyBackup() {
    if (copying)
        copying->wait();
}

void DailyBackup::start() {
    takeNow();
    again->start();
}

void DailyBackup::takeNow() {
    if (copying)
        return;
    struct Outcome {
        QString taken;
        QString error;
    };
    const auto outcome = std::make_shared<Outcome>();
    copying = QThread::create(
        [file = libraryFile, outcome] { takeDailyBackup(file, &outcome->taken, &outcome->error); });
    connect(copying, &QThread::finished, this, [this, outcome] {
        copying->deleteLater();
        copying = nullptr;
        emit done(outcome->taken, outcome->error);
    });
    copying->start();
}
