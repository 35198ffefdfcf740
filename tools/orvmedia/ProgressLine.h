#pragma once

// One self-updating line on stderr for long work: what is done so far, the rate and the time
// left. Shown only on a terminal and when not asked to be quiet; redrawn at most ten times a
// second.

#include <QElapsedTimer>
#include <QString>

class ProgressLine {
public:
    explicit ProgressLine(bool wanted);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Redraws the line: counts, then files per second over done, then the time left until
    // total (when total is known, that is not 0).
    void show(const QString& counts, qint64 done, qint64 total);
    // Takes the line away, before other output goes to the terminal and at the end.
    void clear();

private:
    bool enabled;
    bool drawn = false;
    QElapsedTimer started;
    qint64 lastDrawn = -1;
};
