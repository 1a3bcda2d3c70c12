// The QApplication of a GUI test executable: made before the first test and
// destroyed after the last, so that every test can create widgets.

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

namespace {

class GuiTestApplication : public ::testing::Environment
{
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "pairwell-gui-test";
        static char* argv[] = {name, nullptr};
        m_app = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    std::unique_ptr<QApplication> m_app;
};

// gtest owns the registered environment.
[[maybe_unused]] ::testing::Environment* const g_environment
    = ::testing::AddGlobalTestEnvironment(std::make_unique<GuiTestApplication>().release());

} // namespace
