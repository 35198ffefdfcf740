// Discovery: which paths a walk lists, and which it passes over with what reason.

#include "Discovery.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class DiscoveryTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = QFile::encodeName(dir.path());
        for (const char* folder : {"/sub", "/.hidden", "/x.mkv"})
            ASSERT_EQ(mkdir(root + folder, 0755), 0);
        for (const char* file :
             {"/a.mkv", "/sub/b.mkv", "/.hidden/c.mkv", "/.d.mkv", "/x.mkv/e.mkv"})
            QFile(QString::fromUtf8(root + file)).open(QIODevice::WriteOnly);
        ASSERT_EQ(symlink("..", root + "/sub/up"), 0);          // a folder loop
        ASSERT_EQ(symlink("sub/b.mkv", root + "/link.mkv"), 0); // a second way to b.mkv
        ASSERT_EQ(symlink("selfloop", root + "/selfloop"), 0);
        ASSERT_EQ(mkfifo(root + "/fifo.mkv", 0644), 0);
    }

    // Walks the paths; found paths relative to the root, passed over as "path: reason".
    void walk(const QList<QByteArray>& paths, bool recurse = true) {
        Discovery discovery({recurse});
        for (const QByteArray& path : paths)
            discovery.walk(
                path, [this](FoundFile&& file) { found << file.path.mid(root.size()); },
                [this](PassedOver&& passed) {
                    passedOver << passed.path.mid(root.size()) +
                                      (passed.unreadable ? " unreadable: " : " not video: ") +
                                      passed.reason.toUtf8();
                });
    }

    QTemporaryDir dir;
    QByteArray root;
    QList<QByteArray> found;
    QList<QByteArray> passedOver;
};

TEST_F(DiscoveryTest, ListsEachRegularFileOnceAndPassesOverTheRest) {
    // The sub-folder is given too, and reached by a link and a folder loop: each file once.
    walk({root, root + "/sub", root + "/link.mkv", root + "/missing.mkv"});
    EXPECT_EQ(found, (QList<QByteArray>{"/a.mkv", "/link.mkv", "/x.mkv/e.mkv"}));
    EXPECT_EQ(passedOver, (QList<QByteArray>{
                              "/fifo.mkv not video: not a regular file: a FIFO",
                              "/selfloop unreadable: a symbolic link loop",
                              "/missing.mkv unreadable: does not exist",
                          }));
}

TEST_F(DiscoveryTest, HiddenPathsGivenAreWalkedAndNoRecurseStaysAtOneLevel) {
    walk({root + "/.hidden", root + "/.d.mkv", root}, false);
    EXPECT_EQ(found, (QList<QByteArray>{"/.hidden/c.mkv", "/.d.mkv", "/a.mkv", "/link.mkv"}));
}

} // namespace
