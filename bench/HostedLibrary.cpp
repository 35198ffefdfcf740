#include "HostedLibrary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

void benchFailure(const char* what) {
    std::fprintf(stderr, "benchmark failed: %s\n", what);
    std::abort();
}

LibraryFolder::LibraryFolder() {
    require(dir.isValid(), "temporary folder");
}

QString LibraryFolder::libraryPath() const {
    return dataHome() + QStringLiteral("/Vireo/Vireo Studio/Media Library");
}

QString LibraryFolder::legacyFolder() const {
    return dataHome() + QStringLiteral("/Vireo/Vireo Player");
}

void LibraryFolder::makeCurrent() const {
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path() + QStringLiteral("/config")));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(dir.path() + QStringLiteral("/etc-xdg")));
}

void LibraryFolder::installLibrary(const QString& from) const {
    require(QDir().mkpath(QFileInfo(libraryPath()).absolutePath()), "library folder");
    QFile::remove(libraryPath());
    require(QFile::copy(from, libraryPath()), "copying a library file");
}

HostedLibrary::HostedLibrary(const LibraryFolder& folder) {
    folder.makeCurrent();
    hosted = std::make_unique<orvtest::HostedPlugin>();
    library = hosted->library();
    require(library, "_getPlugin and the media-manager interface");
    require(library->isOpen(), "the library did not open");
}

long peakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}
