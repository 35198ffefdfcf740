#include "ProgressLine.h"

#include "HumanFormat.h"

#include <cstdio>
#include <unistd.h>

namespace {
const qint64 kRedrawMilliseconds = 100;
} // namespace

ProgressLine::ProgressLine(bool wanted) : enabled(wanted && isatty(STDERR_FILENO)) {
    started.start();
}

ProgressLine::~ProgressLine() {
    clear();
}

void ProgressLine::show(const QString& counts, qint64 done, qint64 total) {
    if (!enabled)
        return;
    const qint64 now = started.elapsed();
    if (lastDrawn >= 0 && now - lastDrawn < kRedrawMilliseconds)
        return;
    lastDrawn = now;
    QString line = counts;
    if (now > 0 && done > 0) {
        const double rate = double(done) * 1000 / double(now);
        line += QStringLiteral(", %1 files/s").arg(qint64(rate + 0.5));
        if (total > done)
            line += QStringLiteral(", %1 left")
                        .arg(formatDuration(qint64(double(total - done) / rate * 1000)));
    }
    std::fprintf(stderr, "\r\033[K%s", line.toUtf8().constData());
    std::fflush(stderr);
    drawn = true;
}

void ProgressLine::clear() {
    if (!drawn)
        return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    drawn = false;
    lastDrawn = -1;
}
