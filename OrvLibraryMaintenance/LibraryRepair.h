#pragma once

// repair: a new library, made by the plugin's own start-up, that holds every row of the damaged
// library that can still be read, with its ids, play orders and resume positions; the damaged
// library is kept beside it, byte for byte.

#include "Problem.h"

#include <QDateTime>

namespace LibraryMaintenance {

// What became of one table's rows.
struct TableOutcome {
    enum Bound { Exact, AtMost, AtLeast };

    QString table;
    bool readable = true; // false: nothing of the table can be read (missing, or its schema lost)
    qint64 recovered = 0; // rows in the new library
    qint64 rebuilt = 0;   // of those, rows put together from the entries of the table's indexes
    qint64 dropped = 0;   // rows read but left out: the row they belong to is gone, or they break
                          // a constraint of the table
    qint64 lost = 0;      // rows that could not be read
    Bound lostBound = Exact;
};

struct RepairOptions {
    QString pluginPath;     // the plugin that makes the new library; empty: beside this program
    int recentMaximum = 30; // the recent list's maximum, for the checks before and after
    QDateTime now;          // names the damaged library's new name; invalid: the current time
};

struct RepairReport {
    Problems found;             // what check found in the library
    QString keptAs;             // where the damaged library is kept
    QList<TableOutcome> tables; // in the order the rows were carried
    QList<qint64> renumbered;   // playlists whose items are numbered anew: two shared a place
    qint64 trimmed = 0;         // recent entries beyond the list's maximum, trimmed
    Problems remaining;         // what check finds in the repaired library
};

enum class RepairResult { Sound, Repaired, Failed };

// Repairs the library at path when check finds it damaged. Refuses while another program holds
// it open. Until the new library takes its place nothing at path changes, and a repair that
// fails leaves the library as it was. Running it again on the repaired library finds it sound.
RepairResult repairLibrary(const QString& path, const RepairOptions& options, RepairReport* report,
                           QString* error);

} // namespace LibraryMaintenance
