#pragma once

// The window's rolling backups of the library: at most one a day, the last few kept, taken on
// a thread of their own so that the window never waits for the copy.

#include <QObject>
#include <QString>

class QThread;
class QTimer;

class DailyBackup : public QObject {
    Q_OBJECT
public:
    explicit DailyBackup(const QString& libraryFile, QObject* parent = nullptr);
    // Waits for a copy in progress.
    ~DailyBackup() override;

    // Takes today's backup unless it is there; again every few hours while the window runs.
    void start();

signals:
    // The backup taken (empty when today's was there), or why none could be.
    void done(const QString& taken, const QString& error);

private:
    void takeNow();

    const QString libraryFile;
    QThread* copying = nullptr;
    QTimer* again;
};
