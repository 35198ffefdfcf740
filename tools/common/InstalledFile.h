#pragma once

// Where a host program finds a file of its installation (the plugin, a module): beside the
// program in a build tree, which keeps every binary in one folder, and once installed in a
// folder given relative to the program's own, so that an installed tree still works when it is
// moved.

#include <QString>

struct InstalledFile {
    QString path;            // the file found; empty when it is in neither folder
    QString programFolder;   // the running program's folder
    QString installedFolder; // the folder it has once installed

    // Looks for fileName beside the program, then in folderFromProgram (relative to it).
    static InstalledFile find(const QString& fileName, const QString& folderFromProgram);
    // "NAME is neither in A nor in B", for a file not found.
    QString notFound(const QString& fileName) const;
};
