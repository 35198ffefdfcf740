#include "LibraryConnection.h"

#include "PubSubHub.h"

#include <QFile>
#include <QMetaObject>

#include <sys/stat.h>

namespace {
const char kItemChanged[] = "Media.Item.Changed";
const char kListChanged[] = "Media.List.Changed";
} // namespace

LibraryConnection::LibraryConnection(QObject* parent) : QObject(parent) {
    // The hub delivers on the thread that changed the library, with the plugin's lock held:
    // the window hears of it later, on its own thread.
    subscription =
        VireoStudio::PubSubHub::subscribe([this](const QString& name, const QVariant& payload) {
            const quint64 id = payload.toULongLong();
            if (name == QLatin1String(kItemChanged))
                QMetaObject::invokeMethod(
                    this, [this, id] { emit itemChanged(id); }, Qt::QueuedConnection);
            else if (name == QLatin1String(kListChanged))
                QMetaObject::invokeMethod(
                    this, [this, id] { emit listChanged(id); }, Qt::QueuedConnection);
        });
}

LibraryConnection::~LibraryConnection() {
    VireoStudio::PubSubHub::unsubscribe(subscription);
}

bool LibraryConnection::open(QString* error) {
    session = std::make_unique<PluginSession>("orvmedia-gui", PluginSession::KeepMessages);
    if (!session->load(QString(), error)) {
        session.reset();
        return false;
    }
    if (!session->library()->isOpen()) {
        *error = QStringLiteral("cannot open the library at %1").arg(libraryFile());
        session.reset();
        return false;
    }
    markFile();
    return true;
}

bool LibraryConnection::reopen(QString* error) {
    session.reset();
    return open(error);
}

VireoStudio::MediaManagerInterface* LibraryConnection::library() const {
    return session ? session->library() : nullptr;
}

LibraryConnection::FileState LibraryConnection::stateNow() {
    FileState state;
    struct stat status = {};
    if (stat(QFile::encodeName(libraryFile()).constData(), &status) == 0) {
        state.modifiedNs = qint64(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
        state.size = status.st_size;
        state.inode = status.st_ino;
    }
    return state;
}

void LibraryConnection::markFile() {
    marked = stateNow();
}

bool LibraryConnection::fileChanged() const {
    return !(stateNow() == marked);
}
