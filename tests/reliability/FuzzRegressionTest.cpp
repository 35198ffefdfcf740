// The fuzz targets' bodies, run on their seeds and on every input kept from a fuzzing finding
// (fuzz/regressions/TARGET/): each import into the scratch library keeps the library's rules.

#include "ImportFuzzing.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>

namespace {

typedef std::function<QStringList(const QByteArray&)> FuzzBody;

void replay(const char* target, const QMap<QString, QByteArray>& seeds, const FuzzBody& body) {
    QMap<QString, QByteArray> inputs = seeds;
    const QDir kept(QStringLiteral(ORV_FUZZ_REGRESSIONS "/") + QLatin1String(target));
    const QStringList names = kept.entryList(QDir::Files);
    ASSERT_FALSE(names.isEmpty()) << "no kept inputs in " << kept.path().toStdString();
    for (const QString& name : names) {
        QFile file(kept.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        inputs.insert(QStringLiteral("kept/") + name, file.readAll());
    }
    for (auto input = inputs.cbegin(); input != inputs.cend(); ++input) {
        const QStringList problems = body(input.value());
        EXPECT_TRUE(problems.isEmpty()) << input.key().toStdString() << ":\n"
                                        << problems.join(QLatin1Char('\n')).toStdString();
    }
}

TEST(FuzzRegressions, QueueImportKeepsTheRulesOnSeedsAndKeptFindings) {
    const QMap<QString, QByteArray> seeds = orvfuzz::queueSeeds();
    ASSERT_GE(seeds.size(), 5);
    replay("queue_import", seeds, orvfuzz::importQueueFile);
}

TEST(FuzzRegressions, LegacyLibraryImportKeepsTheRulesOnSeedsAndKeptFindings) {
    const QMap<QString, QByteArray> seeds = orvfuzz::legacyDatabaseSeeds();
    ASSERT_GE(seeds.size(), 4);
    for (const QByteArray& seed : seeds)
        ASSERT_TRUE(seed.startsWith("SQLite format 3")) << "a seed that is no database";
    replay("legacy_library", seeds, orvfuzz::importLegacyDatabase);
}

} // namespace
