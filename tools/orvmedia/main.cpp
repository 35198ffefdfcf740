// orvmedia: the command-line host of the media library. It loads the plugin exactly as the
// player does and gives a person the library.

#include "Cli.h"

#include <QFile>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

namespace {

void printUsage() {
    Cli::print(QStringLiteral("usage: orvmedia [--data-home DIR] COMMAND [ARGS...]\n"
                              "  --data-home DIR   use DIR as the data folder ($XDG_DATA_HOME)\n"
                              "commands:"));
    for (const Command* c = commands(); c->name; ++c)
        Cli::print(QStringLiteral("  %1  %2")
                       .arg(QLatin1String(c->name), -10)
                       .arg(QLatin1String(c->summary)));
    Cli::print(QStringLiteral("orvmedia COMMAND --help tells more about one command."));
}

} // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    if (args.size() >= 2 && args.first() == QLatin1String("--data-home")) {
        qputenv("XDG_DATA_HOME", QFile::encodeName(args.at(1)));
        args = args.mid(2);
    }
    if (args.isEmpty() || args.first() == QLatin1String("--help") ||
        args.first() == QLatin1String("-h") || args.first() == QLatin1String("help")) {
        printUsage();
        return args.isEmpty() ? 2 : 0;
    }

    const QString name = args.takeFirst();
    for (const Command* c = commands(); c->name; ++c) {
        if (name != QLatin1String(c->name))
            continue;
        if (wantsHelp(args)) {
            Cli::print(QLatin1String(c->usage));
            return 0;
        }
        Cli cli;
        return c->run(cli, args);
    }
    return Cli::fail(QStringLiteral("unknown command '%1' (see orvmedia --help)").arg(name));
}
