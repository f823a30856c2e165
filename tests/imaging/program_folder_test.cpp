#include "imaging/program_folder.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace grivendale;

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
