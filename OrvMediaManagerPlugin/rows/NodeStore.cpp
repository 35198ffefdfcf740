#include "rows/NodeStore.h"

#include "playlists/SystemPlaylists.h"

namespace VireoStudio {
namespace NodeStore {

QString nodeNameOf(const QUrl& uri) {
    return uri.path().section(QLatin1Char('/'), -1);
}

bool nodeIdOfUri(LibraryContext& context, const QUrl& uri, quint64* id) {
    QMutexLocker lock(&context.mutex());
    Statement query = context.statement(NodeStatements::kNodeIdByUri);
    if (!query)
        return false;
    query.bindValue(":URI", orv::urlText(uri));
    if (!query.exec() || !query.next())
        return false;
    if (id)
        *id = orv::toUInt64(query.value(0));
    return true;
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

bool deleteDetailRow(RowOwner& owner, const char* statement, quint64 id, const QList<int>& leave) {
    MediaManagerInterface& library = owner.library();
    Statement remove = owner.context().statement(statement);
    if (!remove)
        return false;
    orv::bind(remove, ":ID", QVariant(id));
    library.beginTransaction();
    // The statement goes back before the commit, so that it holds nothing of the file then.
    const bool removed = remove.exec();
    remove.finish();
    if (!removed || !SystemPlaylists::update(owner, id, {}, leave) ||
        !library.commitTransaction()) {
        library.rollbackTransaction();
        return false;
    }
    return true;
}

bool deleteNode(LibraryContext& context, quint64 id) {
    Statement remove = context.statement(NodeStatements::kDeleteNode);
    if (!remove)
        return false;
    orv::bind(remove, ":ID", QVariant(id));
    return remove.exec();
}

} // namespace NodeStore
} // namespace VireoStudio
