#pragma once

// The bodies of the fuzz targets for the two imports of an older release's data, and their
// seeds. Each input runs the real importer into a scratch library inside a transaction that is
// rolled back afterwards, and the library's rules are checked while the rows are there. The
// test suite runs the same bodies on the seeds and on every input kept in fuzz/regressions.

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

namespace orvfuzz {

// The download-queue import of a queue file with these bytes; every broken rule, one line each.
QStringList importQueueFile(const QByteArray& content);
// The library import of an older release's database file with these bytes.
QStringList importLegacyDatabase(const QByteArray& content);

// Inputs that reach the importers' paths, by file name.
QMap<QString, QByteArray> queueSeeds();
QMap<QString, QByteArray> legacyDatabaseSeeds();

// For a fuzz program's start: with "--write-seeds=FOLDER" among the arguments (libFuzzer passes
// over arguments that begin with "--"), writes the seeds there and ends the process.
void writeSeedsIfAsked(int argc, char** argv, const QMap<QString, QByteArray>& seeds);
// Ends the process with the problems on stderr when there are any, so that libFuzzer keeps the
// input.
void abortOnProblems(const QStringList& problems);

} // namespace orvfuzz
