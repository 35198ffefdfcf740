// orvmedia-gui: the media library in a window. It loads the plugin exactly as the player does.
//   orvmedia-gui [--data-home DIR]
//   orvmedia-gui --screenshot FILE [--playlist NAME]   renders the window once, off screen

#include "DailyBackup.h"
#include "FileUrls.h"
#include "LibraryConnection.h"
#include "LibraryWindow.h"
#include "OrvVersion.h"
#include "ScanJob.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPixmap>
#include <QStatusBar>
#include <QThread>

#include <cstdio>
#include <cstring>

namespace {

const QSize kScreenshotSize(1280, 760);
const int kPicturesWaitMs = 20'000;

// Off screen, Qt's platform layer warns of what it cannot do (window hints, a runtime folder);
// a screenshot or the help has no use for that.
void dropWarnings(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        qt_message_output(type, context, text);
}

int fail(const QString& message) {
    std::fprintf(stderr, "orvmedia-gui: %s\n", message.toUtf8().constData());
    return 1;
}

// Renders the window once, when the pictures it shows are made (or after a while), to file.
int screenshot(QApplication& app, LibraryWindow& window, const QString& file) {
    window.resize(kScreenshotSize);
    window.show();
    // The first rendering asks for the pictures of the rows it shows.
    window.grab();
    QElapsedTimer waiting;
    waiting.start();
    do {
        app.processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    } while (window.picturesPending() && waiting.elapsed() < kPicturesWaitMs);
    app.processEvents();
    if (!window.grab().save(file, "PNG"))
        return fail(QStringLiteral("cannot write %1").arg(file));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // The window's scans run here, in a process of their own and without a window.
    if (argc > 1 && std::strcmp(argv[1], ScanJob::kOption) == 0) {
        QCoreApplication scanning(argc, argv);
        return ScanJob::runForWindow(QCoreApplication::arguments().mid(2));
    }
    // A screenshot, the help and the version need no screen: off screen unless a platform was
    // asked for.
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        const bool screenshot = argument.startsWith("--screenshot");
        if (!screenshot && argument != "--help" && argument != "-h" && argument != "--version" &&
            argument != "-v")
            continue;
        qInstallMessageHandler(dropWarnings);
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // Without a display Qt would abort with a page of advice; one line says what is missing.
    bool platformAsked = !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    for (int i = 1; i < argc; ++i)
        platformAsked = platformAsked || std::strcmp(argv[i], "-platform") == 0;
    if (!platformAsked && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return fail(QStringLiteral("no display to show the window on (neither DISPLAY nor "
                                   "WAYLAND_DISPLAY is set; --screenshot FILE needs none)"));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvmedia-gui"));
    QApplication::setApplicationVersion(QStringLiteral(ORV_VERSION));
    QApplication::setStyle(QStringLiteral("Fusion"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The media library of the player, in a window."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption dataHome(
        QStringLiteral("data-home"),
        QStringLiteral("Uses DIR as the data folder instead of $XDG_DATA_HOME."),
        QStringLiteral("DIR"));
    const QCommandLineOption shot(QStringLiteral("screenshot"),
                                  QStringLiteral("Renders the window once, off screen, to FILE "
                                                 "(PNG) and exits."),
                                  QStringLiteral("FILE"));
    const QCommandLineOption playlist(QStringLiteral("playlist"),
                                      QStringLiteral("Shows the playlist NAME first."),
                                      QStringLiteral("NAME"));
    parser.addOptions({dataHome, shot, playlist});
    if (!parser.parse(app.arguments()))
        return fail(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument '%1' (see --help)")
                        .arg(parser.positionalArguments().first()));
    if (parser.isSet(dataHome)) {
        if (parser.value(dataHome).isEmpty())
            return fail(QStringLiteral("--data-home needs a folder"));
        qputenv("XDG_DATA_HOME", absolutePath(localBytesFromText(parser.value(dataHome))));
    }
    const bool screenshotOnly = parser.isSet(shot);

    LibraryWindow window;
    QString error;
    if (!window.open(&error)) {
        if (!screenshotOnly)
            QMessageBox::critical(nullptr, QStringLiteral("Media Library"), error);
        return fail(error);
    }
    if (parser.isSet(playlist) && !window.showPlaylistNamed(parser.value(playlist)))
        return fail(QStringLiteral("no playlist named '%1'").arg(parser.value(playlist)));
    if (screenshotOnly)
        return screenshot(app, window, parser.value(shot));

    DailyBackup backups(LibraryConnection::libraryFile());
    QObject::connect(&backups, &DailyBackup::done, &window,
                     [&window](const QString& taken, const QString& failure) {
                         if (!failure.isEmpty())
                             window.statusBar()->showMessage(
                                 QStringLiteral("No backup today: %1").arg(failure), 10'000);
                         else if (!taken.isEmpty())
                             window.statusBar()->showMessage(
                                 QStringLiteral("Backup taken: %1").arg(taken), 5'000);
                     });
    backups.start();
    window.resize(kScreenshotSize);
    window.show();
    return app.exec();
}
