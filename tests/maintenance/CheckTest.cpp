// check on libraries damaged in every way the file can be: it names the damage (what kind, and
// the table or index it is in) and leaves the file and its journal as they were.

#include "MaintenanceFixture.h"

#include "LibraryCheck.h"

#include <QFile>

#include <functional>

namespace {

using namespace LibraryMaintenance;

struct Damage {
    const char* name;
    std::function<void(const QString& path, const QByteArray& healthy)> apply;
    // (kind, object) of the problems check must name.
    std::vector<std::pair<const char*, const char*>> named;
    int recentMaximum;
};

bool names(const CheckReport& report, const char* kind, const char* object) {
    return std::any_of(report.problems.begin(), report.problems.end(), [&](const Problem& p) {
        return p.kind == QLatin1String(kind) && p.object == QLatin1String(object);
    });
}

TEST_F(MaintenanceFixture, CheckNamesTheDamageAndLeavesTheFileAsItWas) {
    buildLibrary(400);
    const QString path = libraryPath();
    const QString journal = path + QStringLiteral("-journal");
    ASSERT_TRUE(checkLibrary(path, kRecentMaximum).sound())
        << checkLibrary(path, kRecentMaximum).problems.value(0).text.toStdString();
    const QByteArray healthy = bytesOf(path);

    const std::vector<Damage> damages = {
        {"a table page",
         [](const QString& p, const QByteArray&) { damagePage(p, "node"); },
         {{"page", "node"}},
         kRecentMaximum},
        {"an index page",
         [](const QString& p, const QByteArray&) { damagePage(p, "playlist_item_node_id"); },
         {{"page", "playlist_item_node_id"}},
         kRecentMaximum},
        {"a zeroed header",
         [](const QString& p, const QByteArray& h) {
             writeBytes(p, QByteArray(100, '\0') + h.mid(100));
         },
         {{"header", ""}},
         kRecentMaximum},
        {"a cut file",
         [](const QString& p, const QByteArray& h) { writeBytes(p, h.left(h.size() / 2)); },
         {{"cut-short", ""}},
         kRecentMaximum},
        {"no database",
         [](const QString& p, const QByteArray&) { writeBytes(p, QByteArray(8192, 'x')); },
         {{"not-a-database", ""}},
         kRecentMaximum},
        {"a missing table",
         [](const QString& p, const QByteArray&) { execOn(p, "DROP TABLE video_file"); },
         {{"missing-table", "video_file"}},
         kRecentMaximum},
        {"a journal left",
         [](const QString& p, const QByteArray&) { leaveJournal(p); },
         {{"journal", ""}},
         kRecentMaximum},
        {"broken rules",
         [](const QString& p, const QByteArray&) {
             execOn(p, "DELETE FROM node WHERE node_id = (SELECT min(node_id) FROM video_file);"
                       "UPDATE playlist_item SET play_order = 0 WHERE playlist_id = "
                       "(SELECT playlist_id FROM playlist WHERE playlist_type = 255);"
                       "DELETE FROM playlist WHERE playlist_type = 3;"
                       "UPDATE schema_data SET version = 7;"
                       "UPDATE recent_file SET last_change = strftime('%Y-%m-%d %H:%M:%f', "
                       "'2020-01-01', '+' || recent_file_id || ' seconds')");
         },
         {{"orphans", "media_file"},
          {"orphans", "playlist_item"},
          {"play-order", "playlist_item"},
          {"built-in-playlists", "playlist"},
          {"schema-version", "schema_data"},
          {"recent-maximum", "recent_file"}},
         5},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.name);
        QFile::remove(journal);
        writeBytes(path, healthy);
        damage.apply(path, healthy);
        const QByteArray damaged = bytesOf(path);
        const QByteArray damagedJournal = bytesOf(journal);

        const CheckReport report = checkLibrary(path, damage.recentMaximum);
        QStringList lines;
        for (const Problem& problem : report.problems)
            lines << problem.kind + QLatin1Char(' ') + problem.object + QLatin1String(": ") +
                         problem.text;
        EXPECT_FALSE(report.sound());
        for (const auto& [kind, object] : damage.named)
            EXPECT_TRUE(names(report, kind, object))
                << "no " << kind << " problem of '" << object << "' among:\n"
                << lines.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(bytesOf(path) == damaged);
        EXPECT_TRUE(bytesOf(journal) == damagedJournal);
    }
}

} // namespace
