#pragma once

// Files and folders dropped on the window, scanned into the library by a process of their own
// (this program, started with --scan-for-window): the window never waits for the scan; the
// scan's plugin and its connection to the library file are its own, never sharing a row object
// with the window's; and a file that brings FFmpeg down takes only the scan with it. The scan
// tells its progress, and the files it stored or found stored, on its standard output, one line
// each; the window takes in what it stored when it ends.

#include "ScanTypes.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QString>

class ScanJob : public QObject {
    Q_OBJECT
public:
    static const char kOption[]; // "--scan-for-window"

    explicit ScanJob(const QList<QByteArray>& paths, QObject* parent = nullptr);
    ~ScanJob() override;

    // Starts the scanning process: this program, from the folder it runs from.
    void start();
    // Blocks until the scan has ended (finished is told first).
    void waitForEnd();

    // After the end: whether the library kept what was scanned, why not, the counts, and the
    // video files among the paths that are in the library now (added or there before).
    bool succeeded() const { return stored; }
    QString error() const { return failure; }
    ScanCounts counts() const { return tally; }
    QList<QByteArray> files() const { return inLibrary; }

    // The scanning side: scans the paths named by arguments (as start gives them) into the
    // library and tells the window on standard output. The exit code: 0, or 1 after a line on
    // standard error that says why.
    static int runForWindow(const QStringList& arguments);

signals:
    // At most a few times a second: files done, files found so far, and whether the walk is
    // still finding more.
    void progressed(qint64 handled, qint64 found, bool discovering);
    void finished();

private:
    void readLines();
    void ended(int exitCode, QProcess::ExitStatus status);

    const QList<QByteArray> paths;
    QProcess process;
    QByteArray unread;
    bool stored = false;
    QString failure;
    ScanCounts tally;
    QList<QByteArray> inLibrary;
};
