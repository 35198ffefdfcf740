#include "LegacyLibraryImporter.h"

#include "database/SqlValues.h"
#include "playlists/PlaylistTypes.h"
#include "rows/NodeStatements.h"

#include <QDateTime>
#include <QRegularExpression>

#include <sqlite3.h>

namespace VireoStudio {

namespace {

// The old database keeps every value as a property of an object, named by a URI-like key:
// DIDL-Lite names for the resource, its size and duration, Dublin Core 1.1 names for the title
// (of files and of playlists alike) and the date the file was added.
const char kResProperty[] = "urn:schemas-upnp-org:metadata-1-0/DIDL-Lite/res";
const char kSizeProperty[] = "urn:schemas-upnp-org:metadata-1-0/DIDL-Lite/size";
const char kDurationProperty[] = "urn:schemas-upnp-org:metadata-1-0/DIDL-Lite/duration";
const char kTitleProperty[] = "http://purl.org/dc/elements/1.1/title";
const char kAddedProperty[] = "http://purl.org/dc/elements/1.1/importDate";

// Files that have all five properties; an object lacking any of them is left out.
const char kSelectLegacyMedia[] =
    "SELECT file.object_id AS OBJECT_ID, file.value AS URI, added.value AS ADDED, "
    "title.value AS TITLE, size.value AS SIZE, duration.value AS DURATION "
    "FROM property AS file "
    "JOIN property AS added ON added.object_id = file.object_id "
    "JOIN property AS title ON title.object_id = file.object_id "
    "JOIN property AS size ON size.object_id = file.object_id "
    "JOIN property AS duration ON duration.object_id = file.object_id "
    "WHERE file.pindex_id = (SELECT id FROM pindex WHERE name = :RES) "
    "AND added.pindex_id = (SELECT id FROM pindex WHERE name = :ADDED) "
    "AND title.pindex_id = (SELECT id FROM pindex WHERE name = :TITLE) "
    "AND size.pindex_id = (SELECT id FROM pindex WHERE name = :SIZE) "
    "AND duration.pindex_id = (SELECT id FROM pindex WHERE name = :DURATION)";
enum MediaColumn { MediaObjectId, MediaUri, MediaAdded, MediaTitle, MediaSize, MediaDuration };

// One row per membership of a file (by its URI) in a playlist (by its title).
const char kSelectLegacyMemberships[] =
    "SELECT file.object_id AS OBJECT_ID, file.value AS URI, playlist.value AS PLAYLIST "
    "FROM relation "
    "JOIN property AS playlist ON playlist.object_id = relation.parent "
    "JOIN property AS file ON file.object_id = relation.object_id "
    "WHERE file.pindex_id = (SELECT id FROM pindex WHERE name = :RES) "
    "AND playlist.pindex_id = (SELECT id FROM pindex WHERE name = :TITLE)";
enum MembershipColumn { MembershipObjectId, MembershipUri, MembershipPlaylist };

const int kVideoMediaType = 1;
// The old library's playlist of every video; its members join the built-in playlists of
// video files rather than a user playlist of that name.
const char kAllVideosPlaylist[] = "All Videos";

// node.create_date holds UTC time in the form SQLite's current_timestamp writes.
const char kCreateDateFormat[] = "yyyy-MM-dd HH:mm:ss";

// An ISO 8601 date with an optional time: "T" or a blank between them, seconds and their
// fraction optional, and an optional zone ("Z", +HH:MM, +HHMM or +HH).
const QRegularExpression& isoDateTime() {
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})"
                       "(?:[T ](\\d{2}):(\\d{2})(?::(\\d{2})(?:[.,]\\d+)?)?"
                       "\\s*(?:(Z)|([+-])(\\d{2})(?::?(\\d{2}))?)?)?$"));
    return pattern;
}

// The common stamp forms, "YYYY-MM-DD HH:MM:SS" with a blank or a "T" between date and time
// and no zone or "Z": the general parse below gives such a text, when its date and time are
// valid, back in the library's form with a blank between them. Read here straight from the
// digits, without the pattern match and the date formatter, which cost a good part of the
// import's own work per file. False for anything else, which the general parse takes.
bool plainUtcStamp(const QString& text, QString* stamp) {
    if (text.size() != 19 && (text.size() != 20 || text.at(19) != QLatin1Char('Z')))
        return false;
    if (text.at(10) != QLatin1Char(' ') && text.at(10) != QLatin1Char('T'))
        return false;
    QString plain = text.left(19);
    plain[10] = QLatin1Char(' ');
    QDate date;
    QTime time;
    if (!orv::readSqliteStamp(plain.utf16(), plain.size(), &date, &time))
        return false;
    *stamp = plain;
    return true;
}

// The create_date of a file added at the stored time: the UTC time in the library's own form
// when the text is an ISO 8601 date-time (a time without a zone is taken as UTC, a fraction of
// a second is dropped, a date alone is midnight), otherwise the value as stored. A file without
// a value gets the time of the import, as a new node would.
QVariant createDate(const QVariant& added) {
    if (orv::isNotSet(added))
        return QDateTime::currentDateTimeUtc().toString(QLatin1String(kCreateDateFormat));
    const QString text = added.toString().trimmed();
    QString stamp;
    if (plainUtcStamp(text, &stamp))
        return stamp;
    const QRegularExpressionMatch match = isoDateTime().match(text);
    if (!match.hasMatch())
        return added;
    const auto number = [&match](int group) { return match.captured(group).toInt(); };
    const QDate date(number(1), number(2), number(3));
    const QTime time = match.hasCaptured(4) ? QTime(number(4), number(5), number(6)) : QTime(0, 0);
    if (!date.isValid() || !time.isValid())
        return added;
    int offsetSeconds = 0;
    if (match.hasCaptured(8)) {
        if (number(9) > 23 || number(10) > 59)
            return added;
        offsetSeconds = (number(9) * 60 + number(10)) * 60;
        if (match.captured(8) == QLatin1String("-"))
            offsetSeconds = -offsetSeconds;
    }
    const QDateTime utc = QDateTime(date, time, Qt::UTC).addSecs(-offsetSeconds);
    return utc.toString(QLatin1String(kCreateDateFormat));
}

} // namespace

bool LegacyLibraryImporter::failedForNow(int code) {
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_NOMEM:
    case SQLITE_INTERRUPT:
    case SQLITE_IOERR:
    case SQLITE_FULL:
        return true;
    default:
        return false;
    }
}

LegacyLibraryImporter::LegacyLibraryImporter(LibraryDatabase& legacy, LibraryDatabase& library)
    : ImportTarget(library), legacy(legacy) {}

bool LegacyLibraryImporter::importLibrary() {
    return importFiles() && importMemberships();
}

bool LegacyLibraryImporter::importFiles() {
    Statement media = legacy.statement(kSelectLegacyMedia);
    if (!media)
        return false;
    Statement insertNode = libraryStatement(NodeStatements::kInsertNode);
    Statement insertMediaFile = libraryStatement(NodeStatements::kInsertMediaFile);
    Statement insertVideoFile = libraryStatement(NodeStatements::kInsertVideoFile);
    if (!insertNode || !insertMediaFile || !insertVideoFile)
        return false;
    media.bindValue(":RES", QLatin1String(kResProperty));
    media.bindValue(":ADDED", QLatin1String(kAddedProperty));
    media.bindValue(":TITLE", QLatin1String(kTitleProperty));
    media.bindValue(":SIZE", QLatin1String(kSizeProperty));
    media.bindValue(":DURATION", QLatin1String(kDurationProperty));
    // An old file whose media cannot be read has nothing to import; the library opens all
    // the same. A read that failed only for the moment fails the start-up instead, which
    // keeps the import for the next start rather than recording it as done without its files.
    if (!media.exec())
        return !failedForNow(media.errorCode());

    while (media.next()) {
        // The URI, title, size and duration go over exactly as the old database holds them.
        const QVariant uri = media.value(MediaUri);
        orv::bind(insertNode, ":URI", uri);
        orv::bind(insertNode, ":NAME", nodeName(uri.toString()));
        orv::bind(insertNode, ":DATE", createDate(media.value(MediaAdded)));
        quint64 nodeId = 0;
        if (!insertNode.exec()) {
            // The old player's file system ignored letter case, so one file can be listed
            // twice; the library's URIs do too. The file met first wins.
            if (!findNodeIdByUri(uri.toString(), nodeId))
                return false;
            mergedNodes.insert(nodeId);
            skipDuplicate();
            continue;
        }
        if (!insertedId(insertNode, nodeId))
            return false;

        orv::bind(insertMediaFile, ":ID", nodeId);
        insertMediaFile.bindValue(":TYPE", kVideoMediaType);
        orv::bind(insertMediaFile, ":SIZE", media.value(MediaSize));
        orv::bind(insertMediaFile, ":TITLE", media.value(MediaTitle));
        insertMediaFile.bindValue(":PLAYCOUNT", 0);
        if (!insertMediaFile.exec() || insertMediaFile.numRowsAffected() != 1)
            return false;

        orv::bind(insertVideoFile, ":ID", nodeId);
        orv::bind(insertVideoFile, ":DURATION", media.value(MediaDuration));
        if (!insertVideoFile.exec() || insertVideoFile.numRowsAffected() != 1)
            return false;
    }
    return media.readToEnd();
}

bool LegacyLibraryImporter::importMemberships() {
    Statement memberships = legacy.statement(kSelectLegacyMemberships);
    if (!memberships || !prepareTargetStatements())
        return false;
    memberships.bindValue(":RES", QLatin1String(kResProperty));
    memberships.bindValue(":TITLE", QLatin1String(kTitleProperty));
    if (!memberships.exec())
        return false;

    while (memberships.next()) {
        // A membership of a file that was not imported is a failure, not a silent loss.
        quint64 nodeId = 0;
        if (!findNodeIdByUri(memberships.value(MembershipUri).toString(), nodeId))
            return false;

        const QString playlist = memberships.value(MembershipPlaylist).toString();
        QList<quint64> targets;
        if (playlist == QLatin1String(kAllVideosPlaylist)) {
            for (int type : PlaylistTypes::kVideoFilePlaylists) {
                quint64 playlistId = 0;
                if (!getImportPlaylistId(playlistId, type, QString()))
                    return false;
                targets.append(playlistId);
            }
        } else {
            quint64 playlistId = 0;
            if (!getImportPlaylistId(playlistId, PlaylistTypes::kUser, playlist))
                return false;
            targets.append(playlistId);
        }
        // A node that took in a duplicate may meet the same playlist twice.
        const bool merged = mergedNodes.contains(nodeId);
        for (quint64 playlistId : targets) {
            if (!(merged ? appendUnlessHeld(playlistId, nodeId)
                         : appendToPlaylist(playlistId, nodeId)))
                return false;
        }
    }
    return memberships.readToEnd();
}

} // namespace VireoStudio
