// Surroundings shared by all the tests of one program, set up before the first test and taken
// down after the last. Built into each test program itself rather than into the support
// library, whose objects the linker would leave out since no test refers to them.
//
// The program's build rule names it (GRIVENDALE_TEST_PROGRAM) and says which application
// object its tests need (GRIVENDALE_TEST_APPLICATION: 1 core, 2 GUI, 3 widgets; unset: none).

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#if GRIVENDALE_TEST_APPLICATION == 3
#include <QApplication>
#elif GRIVENDALE_TEST_APPLICATION == 2
#include <QGuiApplication>
#endif

#include <gtest/gtest.h>

#include <memory>

namespace {

class ProgramEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        // Settings without a folder of their own go to the user's configuration folder: point
        // it at a scratch folder so that the real user's settings are never read or written.
        configHome_ = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(configHome_->isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome_->path()));
        // Nor the real user's keyring: secrets stay in the scratch settings files.
        qputenv("GRIVENDALE_NO_KEYRING", "1");

#if GRIVENDALE_TEST_APPLICATION >= 2
        // Fonts and widgets need a display; draw off screen unless told otherwise.
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
#if GRIVENDALE_TEST_APPLICATION == 3
        app_ = std::make_unique<QApplication>(argc_, argv_);
#elif GRIVENDALE_TEST_APPLICATION == 2
        app_ = std::make_unique<QGuiApplication>(argc_, argv_);
#elif GRIVENDALE_TEST_APPLICATION == 1
        app_ = std::make_unique<QCoreApplication>(argc_, argv_);
#endif
    }

    void TearDown() override {
        app_.reset();
        configHome_.reset();
    }

private:
    std::unique_ptr<QTemporaryDir> configHome_;
    // The application refers to these for its whole life.
    int argc_ = 1;
    char name_[sizeof(GRIVENDALE_TEST_PROGRAM)] = GRIVENDALE_TEST_PROGRAM;
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QCoreApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const programEnvironment =
    ::testing::AddGlobalTestEnvironment(new ProgramEnvironment);

} // namespace
