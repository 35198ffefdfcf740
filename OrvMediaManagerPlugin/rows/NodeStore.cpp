#include "rows/NodeStore.h"

#include "plugin/OrvMediaManagerPlugin.h"

namespace VireoStudio {
namespace NodeStore {

const char kInsertNode[] = "INSERT INTO node (uri, name) VALUES(:URI, :NAME);";
const char kUpdateNode[] = "UPDATE node SET uri = :URI, name = :NAME WHERE node_id = :ID;";
const char kInsertMediaFile[] =
    "INSERT INTO media_file (node_id, media_file_type, size, title, description,                "
    "        last_played, user_rating, play_count) VALUES(:ID, :TYPE, :SIZE, :TITLE, :DESC,     "
    "   :LASTPLAYED, :USERRATING, :PLAYCOUNT);";
const char kVideoRowOf[] = "SELECT node_id FROM video_file WHERE node_id = :ID";
const char kQueuedRowOf[] = "SELECT node_id FROM queued_file WHERE node_id = :ID";

namespace {
const char kDeleteNode[] = "DELETE FROM node WHERE node_id = :ID;";
} // namespace

QString nodeNameOf(const QUrl& uri) {
    return uri.path().section(QLatin1Char('/'), -1);
}

bool hasRow(LibraryContext& context, const char* statement, const char* placeholder,
            const QVariant& value, bool* ran) {
    Statement query = context.statement(statement);
    const bool ok = query && (orv::bind(query, placeholder, value), query.exec());
    if (ran)
        *ran = ok;
    return ok && query.next();
}

bool hasDetailRow(LibraryContext& context, const char* lookUp, quint64 id, bool* ran) {
    Statement query = context.statement(lookUp);
    *ran = false;
    if (!query)
        return false;
    orv::bind(query, ":ID", QVariant(id));
    if (!query.exec())
        return false;
    const bool found = query.next();
    // A read that broke off tells nothing either.
    *ran = found || query.readToEnd();
    return found;
}

bool deleteDetailRow(OrvMediaManagerPlugin& plugin, const char* statement, quint64 id,
                     const QList<int>& leave) {
    Statement remove = plugin.context->statement(statement);
    if (!remove)
        return false;
    orv::bind(remove, ":ID", QVariant(id));
    plugin.beginTransaction();
    // The statement goes back before the commit, so that it holds nothing of the file then.
    const bool removed = remove.exec();
    remove.finish();
    if (!removed || !plugin.updateSystemPlaylists(id, {}, leave) || !plugin.commitTransaction()) {
        plugin.rollbackTransaction();
        return false;
    }
    return true;
}

bool deleteNode(LibraryContext& context, quint64 id) {
    Statement remove = context.statement(kDeleteNode);
    if (!remove)
        return false;
    orv::bind(remove, ":ID", QVariant(id));
    return remove.exec();
}

} // namespace NodeStore
} // namespace VireoStudio
