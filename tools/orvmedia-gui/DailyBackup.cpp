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
    copying = QThread::create([file = libraryFile, outcome] {
        LibraryMaintenance::dailyBackup(file, kBackupsKept, QDateTime::currentDateTime(),
                                        &outcome->taken, &outcome->error);
    });
    connect(copying, &QThread::finished, this, [this, outcome] {
        copying->deleteLater();
        copying = nullptr;
        emit done(outcome->taken, outcome->error);
    });
    copying->start();
}
