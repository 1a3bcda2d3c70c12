// The application object of the test process: one CMainApp, made before the
// first test and destroyed after the last. Each test starts and ends the
// program's instance on it (InitInstance / ExitInstance).

#include "gui/shell/CMainApp.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class AutoSyncTestApplication : public ::testing::Environment
{
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "pairwell-autosync-test";
        static char* argv[] = {name, nullptr};
        m_app = std::make_unique<CMainApp>(argc, argv);
        // Closing the main window in a test must not end the test process.
        m_app->setQuitOnLastWindowClosed(false);
    }
    void TearDown() override { m_app.reset(); }

private:
    std::unique_ptr<CMainApp> m_app;
};

[[maybe_unused]] ::testing::Environment* const g_environment
    = ::testing::AddGlobalTestEnvironment(std::make_unique<AutoSyncTestApplication>().release());

} // namespace
