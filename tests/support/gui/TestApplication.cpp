#include "support/gui/TestApplication.h"

#include "gui/shell/CMainApp.h"

#include <QApplication>
#include <gtest/gtest.h>
#include <memory>

namespace {

class TestApplication : public ::testing::Environment
{
public:
    TestApplication(int argc, char** argv, TestApplicationKind kind) : m_argc(argc), m_argv(argv), m_kind(kind) { }

    void SetUp() override
    {
        if (m_kind == TestApplicationKind::Widgets) {
            m_app = std::make_unique<QApplication>(m_argc, m_argv);
            return;
        }
        auto app = std::make_unique<CMainApp>(m_argc, m_argv);
        // Each test starts and ends the program's instance on it; closing the
        // main window must not end the test process.
        app->setQuitOnLastWindowClosed(false);
        m_app = std::move(app);
    }
    void TearDown() override { m_app.reset(); }

private:
    int m_argc; // QApplication keeps a reference to it
    char** m_argv;
    TestApplicationKind m_kind;
    std::unique_ptr<QApplication> m_app;
};

} // namespace

int RunGuiTests(int argc, char** argv, TestApplicationKind kind)
{
    ::testing::InitGoogleTest(&argc, argv);
    // gtest owns the environment; it is set up after any a test file added
    // while the program started.
    ::testing::AddGlobalTestEnvironment(std::make_unique<TestApplication>(argc, argv, kind).release());
    return RUN_ALL_TESTS();
}
