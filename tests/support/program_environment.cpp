// Set up before the first test of a program and taken down after the last; built into each test
// program, since the linker would leave it out of the support library. GRIVENDALE_TEST_APPLICATION
// says which application object the program's tests need: 1 core, 2 GUI, 3 widgets, unset none.

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#if GRIVENDALE_TEST_APPLICATION == 3
#include <QApplication>
using TestApplication = QApplication;
#elif GRIVENDALE_TEST_APPLICATION == 2
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#else
using TestApplication = QCoreApplication;
#endif

#include <gtest/gtest.h>

#include <memory>

namespace {

class ProgramEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        // Never the real user's settings nor keyring: settings go to a scratch folder.
        ASSERT_TRUE(configHome_.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome_.path()));
        qputenv("GRIVENDALE_NO_KEYRING", "1");
#ifdef GRIVENDALE_TEST_APPLICATION
        if (GRIVENDALE_TEST_APPLICATION >= 2 && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<TestApplication>(argc_, argv_);
#endif
    }
    void TearDown() override {
        app_.reset();
    }

private:
    QTemporaryDir configHome_;
    int argc_ = 1; // the application refers to these for its whole life
    char name_[sizeof(GRIVENDALE_TEST_PROGRAM)] = GRIVENDALE_TEST_PROGRAM;
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QCoreApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const programEnvironment =
    ::testing::AddGlobalTestEnvironment(new ProgramEnvironment);

} // namespace
