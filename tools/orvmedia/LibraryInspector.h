#pragma once

// A read-only connection of the command-line host to the library file, for facts the
// media-library interface does not report (the schema version, row counts).

#include <QString>

class LibraryInspector {
public:
    explicit LibraryInspector(const QString& path);
    ~LibraryInspector();
    LibraryInspector(const LibraryInspector&) = delete;
    LibraryInspector& operator=(const LibraryInspector&) = delete;

    // The stored schema version; -1 when it cannot be read.
    qint64 schemaVersion() const;
    // Rows of one of the library's tables; -1 when they cannot be counted.
    qint64 count(const QString& table) const;

private:
    qint64 single(const QString& statement) const;

    QString connection;
};
