// The QApplication of the GUI tests of runs: made before the first test and
// destroyed after the last.

#include <QApplication>
#include <gtest/gtest.h>
#include <memory>

namespace {

class GuiTestApplication : public ::testing::Environment
{
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "pairwell-sync-gui-test";
        static char* argv[] = {name, nullptr};
        m_app = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    std::unique_ptr<QApplication> m_app;
};

[[maybe_unused]] ::testing::Environment* const g_environment
    = ::testing::AddGlobalTestEnvironment(std::make_unique<GuiTestApplication>().release());

} // namespace
