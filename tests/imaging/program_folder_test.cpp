#include "imaging/program_folder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace grivendale;

TEST(ProgramFolder, ShippedFilesBesideTheBinaryOrInstalledUnderShare) {
    QTemporaryDir root;
    QDir(root.path()).mkpath(QStringLiteral("build/picto"));
    QDir(root.path()).mkpath(QStringLiteral("prefix/bin"));
    QDir(root.path()).mkpath(QStringLiteral("prefix/share/grivendale/picto"));
    QDir(root.path()).mkpath(QStringLiteral("bare"));

    // A build tree holds them beside the binary; an installed binary looks in ../share.
    EXPECT_EQ(programFolderFor(root.filePath(QStringLiteral("build"))),
              root.filePath(QStringLiteral("build")));
    EXPECT_EQ(programFolderFor(root.filePath(QStringLiteral("prefix/bin"))),
              root.filePath(QStringLiteral("prefix/share/grivendale")));
    // Neither: the binary's own folder, where the missing files are simply missing.
    EXPECT_EQ(programFolderFor(root.filePath(QStringLiteral("bare"))),
              root.filePath(QStringLiteral("bare")));
}
