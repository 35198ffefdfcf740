#pragma once

// What the first 100 bytes of a library file say, read without SQLite: check names a file that
// SQLite refuses to open by what is wrong with its header, and repair gives a copy whose header
// was lost a plain one, so that the pages behind it can be read.

#include "Problem.h"

namespace LibraryMaintenance {

struct FileHeader {
    qint64 fileSize = -1; // -1 when the file cannot be read
    bool zeroed = false;  // its first 100 bytes are all zero
    bool sqlite = false;  // it begins with SQLite's magic text
    int pageSize = 0;     // the page size the header gives; 0 when it gives no valid one
    qint64 pages = 0;     // the pages the header counts; 0 when that count is not valid
};

FileHeader readFileHeader(const QString& path);

// What is wrong with the file judged by its size and header alone. openable is false when SQLite
// cannot read the file at all (empty, shorter than a header, no SQLite header, no page size).
Problems headerProblems(const FileHeader& header, bool* openable);

// Overwrites the header of the file at path (a copy: never the library itself) with a plain one
// for pageSize that makes SQLite take the page count from the file's size.
bool writePlainHeader(const QString& path, int pageSize);

} // namespace LibraryMaintenance
