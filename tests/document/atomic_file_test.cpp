#include "document/map_file.h"
#include "document/settings_store.h"
#include "support/test_support.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <functional>
#include <sys/resource.h>

using namespace grivendale;
using namespace grivendale::testing;

namespace {

// Writes past `bytes` fail with EFBIG, as on a full disk, for this process until it ends.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit saved_{};
    void (*oldHandler_)(int) = nullptr;
};

} // namespace

TEST(AtomicFile, AWriteThatDoesNotGoThroughLeavesThePreviousFileWhole) {
    QTemporaryDir dir;
    SettingsStore settings(dir.path());
    int settingsError = 0;
    settings.setWriteFailureHandler([&](const QString&, int error) { settingsError = error; });
    MapDocument map;
    map.AddPictoItem(1, 2, 3);
    // Each writer, the file it replaces and the errno it ends with.
    const std::tuple<const char*, QString, std::function<int()>> cases[] = {
        {"map", dir.filePath(QStringLiteral("carte.car")),
         [&] { return SaveAll(map, dir.filePath(QStringLiteral("carte.car"))).error; }},
        {"settings", settings.filePath(kGrivendaleApp),
         [&] {
             settingsError = 0;
             saveShowReadme(settings, false);
             return settingsError;
         }},
    };
    for (const auto& [what, path, write] : cases) {
        SCOPED_TRACE(what);
        // Larger than the limit below, which still lets a lock file or two through.
        const QByteArray before = "[Grivendale]\nAfficheReadme=1\nNote=" + QByteArray(200, 'n');
        writeFileBytes(path, before);
        const QStringList files = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        {
            const FileSizeLimit full(100);
            EXPECT_EQ(write(), EFBIG);
        }
        EXPECT_EQ(readFileBytes(path), before);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), files); // no leftovers
        EXPECT_EQ(write(), 0);
        EXPECT_NE(readFileBytes(path), before);
    }
    EXPECT_FALSE(readShowReadme(settings));
}
