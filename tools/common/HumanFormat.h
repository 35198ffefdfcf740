#pragma once

// Numbers as people read them in the human tables of the hosts; machine output (JSON) keeps
// the raw numbers.

#include <QString>

// A duration in milliseconds as H:MM:SS (hours without a limit), to the nearest second:
// 5412000 gives "1:30:12". A negative value is shown as the number it is.
QString formatDuration(qint64 milliseconds);

// A size in bytes in binary units: "512 B", "9.5 KiB", "700 MiB", "1.2 GiB". Below 10 of a unit
// one decimal is shown, from 10 on whole units. A negative value is shown as the number it is.
QString formatSize(qint64 bytes);
