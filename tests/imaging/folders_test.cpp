#include "imaging/folders.h"
#include "imaging/program_folder.h"

#include "support/test_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace grivendale;

namespace {

// A path below a regular file: no one, not even root, can create it.
QString unusablePath(const QTemporaryDir& dir) {
    const QString file = dir.filePath(QStringLiteral("afile"));
    grivendale::testing::writeFileBytes(file, QByteArray("not a folder"));
    return file + QStringLiteral("/sub");
}

// Sets an environment variable until the returned guard ends.
auto overrideEnv(const char* name, const QString& value) {
    const bool had = qEnvironmentVariableIsSet(name);
    const QByteArray old = qgetenv(name);
    qputenv(name, QFile::encodeName(value));
    return qScopeGuard([=] { had ? qputenv(name, old) : qunsetenv(name); });
}

} // namespace

TEST(Folders, DocumentsFolderIsTheFirstWritableCandidate) {
    QTemporaryDir home;
    const QString created = home.filePath(QStringLiteral("maps/europe"));
    EXPECT_EQ(
        firstWritableFolder({QString(), unusablePath(home), home.filePath(QStringLiteral("afile")),
                             created + u'/', home.path()}),
        created);
    // The probe file is gone again.
    EXPECT_TRUE(
        QDir(created).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
    EXPECT_EQ(firstWritableFolder({unusablePath(home), QString()}), QString());

    const auto restoreData = overrideEnv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")));
    {
        const auto restoreHome = overrideEnv("HOME", home.path());
        EXPECT_EQ(GetDocumentsFolder(), home.filePath(QStringLiteral("Documents")));
    }
    const auto restoreHome = overrideEnv("HOME", unusablePath(home));
    EXPECT_EQ(GetDocumentsFolder(), QCoreApplication::applicationDirPath());
}

TEST(ProgramFolder, ShippedFilesBesideTheBinaryOrInstalledUnderShare) {
    QTemporaryDir root;
    const auto at = [&](const char* path) { return root.filePath(QString::fromLatin1(path)); };
    for (const char* folder :
         {"build/picto", "prefix/bin", "prefix/share/grivendale/picto", "bare"})
        ASSERT_TRUE(QDir().mkpath(at(folder)));
    EXPECT_EQ(programFolderFor(at("build")), at("build"));
    EXPECT_EQ(programFolderFor(at("prefix/bin")), at("prefix/share/grivendale"));
    EXPECT_EQ(programFolderFor(at("bare")), at("bare")); // where they are simply missing
}
