#include "HumanFormat.h"

#include <iterator>

QString formatDuration(qint64 milliseconds) {
    if (milliseconds < 0)
        return QString::number(milliseconds);
    const qint64 seconds = milliseconds / 1000 + (milliseconds % 1000 >= 500 ? 1 : 0);
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString formatSize(qint64 bytes) {
    if (bytes < 0)
        return QString::number(bytes);
    if (bytes < 1024)
        return QStringLiteral("%1 B").arg(bytes);
    static const char* const units[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    double value = double(bytes) / 1024;
    size_t unit = 0;
    // A value that would print as 1024 or more moves up a unit.
    while (value >= 1023.5 && unit + 1 < std::size(units)) {
        value /= 1024;
        ++unit;
    }
    const QString number =
        value < 9.95 ? QString::number(value, 'f', 1) : QString::number(qint64(value + 0.5));
    return number + QLatin1Char(' ') + QLatin1String(units[unit]);
}
