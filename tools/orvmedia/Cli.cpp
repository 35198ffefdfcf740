#include "Cli.h"

#include "OSUtilities.h"

#include <cstdio>

namespace {
const char kLibraryFile[] = "/Media Library";
} // namespace

VireoStudio::MediaManagerInterface* Cli::library() {
    if (session)
        return session->library();
    session = std::make_unique<PluginSession>();
    QString error;
    if (!session->load(QString(), &error)) {
        fail(error);
        return nullptr;
    }
    return session->library();
}

QString Cli::libraryPath() {
    return VireoStudio::OSUtilities::getApplicationDataPath(false) + QLatin1String(kLibraryFile);
}

void Cli::print(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
}

int Cli::fail(const QString& message) {
    std::fprintf(stderr, "orvmedia: %s\n", message.toUtf8().constData());
    return 1;
}

bool wantsHelp(const QStringList& args) {
    return args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"));
}

const Command* commands() {
    static const Command table[] = {
        {"info", "the library file, whether it is open, its schema version",
         "orvmedia info\n"
         "  Opens the library (creating it when missing) and prints its file, whether it is\n"
         "  open and its schema version. Exits 1 when the library cannot be opened.",
         runInfo},
        {nullptr, nullptr, nullptr, nullptr},
    };
    return table;
}
