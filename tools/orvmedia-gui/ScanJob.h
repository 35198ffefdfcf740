#pragma once

// Files and folders dropped on the window, scanned into the library on a thread of their own,
// through a plugin of their own: the window never waits for the scan, and the two never share
// a row object. What the scan stored is taken in by the window when it ends.

#include "ScanTypes.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QThread>

class ScanJob : public QThread {
    Q_OBJECT
public:
    explicit ScanJob(const QList<QByteArray>& paths, QObject* parent = nullptr);

    // After the end: whether the library kept what was scanned, why not, the counts, and the
    // video files among the paths that are in the library now (added or there before).
    bool succeeded() const { return stored; }
    QString error() const { return failure; }
    ScanCounts counts() const { return tally; }
    QList<QByteArray> files() const { return inLibrary; }

signals:
    // On the window's thread, at most a few times a second: files done, files found so far,
    // and whether the walk is still finding more.
    void progressed(qint64 handled, qint64 found, bool discovering);

protected:
    void run() override;

private:
    const QList<QByteArray> paths;
    bool stored = false;
    QString failure;
    ScanCounts tally;
    QList<QByteArray> inLibrary;
};
