// orvmedia: the command-line host of the media library. It loads the plugin exactly as the
// player does and gives a person the library.

#include "Cli.h"
#include "FileUrls.h"
#include "OrvVersion.h"

#include <QCommandLineParser>
#include <QStringList>

namespace {

const char kUsage[] = "usage: orvmedia [--data-home DIR] COMMAND [ARGS...]";

// Qt reports some failures as warnings of its own ("QSqlQuery::prepare: database not open" when
// the library file is a folder). Every command says in one line what failed, so Qt's messages
// never reach the user.
void dropQtMessage(QtMsgType, const QMessageLogContext&, const QString&) {}

void printUsage(const QCommandLineParser& parser) {
    const QString generated = parser.helpText();
    Cli::print(QLatin1String(kUsage));
    Cli::print(QStringLiteral("The media library of the player, from the command line.\n"));
    Cli::print(generated.mid(generated.indexOf(QLatin1String("Options:"))).trimmed());
    Cli::print(QStringLiteral("\nCommands:"));
    for (const Command* c = commands(); c->name; ++c)
        Cli::print(QStringLiteral("  %1  %2")
                       .arg(QLatin1String(c->name), -15)
                       .arg(QLatin1String(c->summary)));
    Cli::print(QStringLiteral("\norvmedia COMMAND --help tells more about one command."));
}

} // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(dropQtMessage);
    QStringList args{QStringLiteral("orvmedia")};
    for (int i = 1; i < argc; ++i)
        args << textFromLocalBytes(QByteArray(argv[i]));

    // The options before the command; everything from the command on is the command's.
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    const QCommandLineOption dataHome(
        QStringLiteral("data-home"),
        QStringLiteral("Uses DIR as the data folder instead of $XDG_DATA_HOME."),
        QStringLiteral("DIR"));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the version."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(dataHome);
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("The command to run."),
                                 QStringLiteral("COMMAND [ARGS...]"));
    if (!parser.parse(args)) {
        const QStringList unknown = parser.unknownOptionNames();
        return Cli::fail(
            unknown.isEmpty()
                ? QStringLiteral("--data-home needs a folder")
                : QStringLiteral("unknown option --%1 (see orvmedia --help)").arg(unknown.first()));
    }
    if (parser.isSet(version)) {
        Cli::print(QStringLiteral("orvmedia " ORV_VERSION));
        return 0;
    }
    QStringList words = parser.positionalArguments();
    if (parser.isSet(dataHome)) {
        const QString folder = parser.value(dataHome);
        if (folder.isEmpty())
            return Cli::fail(QStringLiteral("--data-home needs a folder, not an empty text"));
        qputenv("XDG_DATA_HOME", absolutePath(localBytesFromText(folder)));
    }
    if (parser.isSet(help) || words.isEmpty() || words.first() == QLatin1String("help")) {
        printUsage(parser);
        return words.isEmpty() && !parser.isSet(help) ? 2 : 0;
    }

    const QString name = words.takeFirst();
    for (const Command* c = commands(); c->name; ++c) {
        if (name != QLatin1String(c->name))
            continue;
        Cli cli;
        return c->run(cli, words);
    }
    return Cli::fail(QStringLiteral("unknown command '%1' (see orvmedia --help)").arg(name));
}
