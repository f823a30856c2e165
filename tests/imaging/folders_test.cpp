#include "imaging/folders.h"

#include "support/test_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
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
    return qScopeGuard([=] {
        if (had)
            qputenv(name, old);
        else
            qunsetenv(name);
    });
}

} // namespace

TEST(TrimTrailingSeparator, Table) {
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("/tmp/"), QStringLiteral("/tmp")},
        {QStringLiteral("/tmp"), QStringLiteral("/tmp")},
        {QStringLiteral("C:\\Temp\\"), QStringLiteral("C:\\Temp")},
        {QStringLiteral("/"), QStringLiteral("/")},
        {QStringLiteral("\\"), QStringLiteral("\\")},
        {QString(), QString()},
        {QStringLiteral("/tmp//"), QStringLiteral("/tmp/")},
    };
    for (const auto& [in, out] : cases) {
        SCOPED_TRACE(in.toStdString());
        EXPECT_EQ(trimTrailingSeparator(in), out);
    }
}

TEST(Folders, TempFolderHasNoTrailingSeparator) {
    const QString temp = GetTempFolder();
    ASSERT_FALSE(temp.isEmpty());
    EXPECT_TRUE(QFileInfo(temp).isDir());
    if (temp.size() > 1) {
        EXPECT_FALSE(temp.endsWith(u'/'));
        EXPECT_FALSE(temp.endsWith(u'\\'));
    }
}

TEST(Folders, TempFolderFollowsTmpdir) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto restore = overrideEnv("TMPDIR", dir.path() + u'/');
    EXPECT_EQ(GetTempFolder(), dir.path());
}

TEST(Folders, FirstWritableFolderSkipsUnusableCandidates) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString created = dir.filePath(QStringLiteral("maps/europe"));

    const QString chosen = firstWritableFolder(
        {QString(), unusablePath(dir), dir.filePath(QStringLiteral("afile")), created + u'/'});
    EXPECT_EQ(chosen, created);
    EXPECT_TRUE(QFileInfo(created).isDir());
    // The probe file is gone again.
    EXPECT_TRUE(
        QDir(created).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

TEST(Folders, FirstWritableFolderTakesTheFirstUsable) {
    QTemporaryDir first;
    QTemporaryDir second;
    ASSERT_TRUE(first.isValid() && second.isValid());
    EXPECT_EQ(firstWritableFolder({first.path(), second.path()}), first.path());
}

TEST(Folders, FirstWritableFolderIsEmptyWhenNothingQualifies) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_EQ(firstWritableFolder({unusablePath(dir), QString()}), QString());
    EXPECT_EQ(firstWritableFolder({}), QString());
}

TEST(Folders, DocumentsFolderIsCreatedInHome) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const auto restoreHome = overrideEnv("HOME", home.path());
    const auto restoreConfig = overrideEnv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("cfg")));
    const auto restoreData = overrideEnv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")));

    const QString documents = GetDocumentsFolder();
    EXPECT_EQ(documents, home.filePath(QStringLiteral("Documents")));
    EXPECT_TRUE(QFileInfo(documents).isDir());
}

TEST(Folders, DocumentsFolderFallsBackOnTheProgramFolder) {
    ASSERT_NE(QCoreApplication::instance(), nullptr);
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const auto restoreHome = overrideEnv("HOME", unusablePath(home));
    const auto restoreConfig = overrideEnv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("cfg")));
    const auto restoreData = overrideEnv("XDG_DATA_HOME", unusablePath(home));

    EXPECT_EQ(GetDocumentsFolder(), QCoreApplication::applicationDirPath());
}
