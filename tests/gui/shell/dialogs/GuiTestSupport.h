#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

// The QApplication of a GUI test program: made before the first test and
// destroyed after the last one, while Qt's own globals still exist.
class GuiTestEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "pairwell_gui_tests";
        static char* argv[] = {name, nullptr};
        m_app = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    std::unique_ptr<QApplication> m_app;
};

// Registered once per test program (gtest owns it).
inline ::testing::Environment* const g_guiTestEnvironment = ::testing::AddGlobalTestEnvironment(new GuiTestEnvironment);

inline QApplication& TestApp()
{
    return *qApp;
}

// Watches for the next modal dialog of type T and runs `action` on it once
// it is open. Create the watch, then start the code that opens the dialog
// (which blocks in its exec() until the action closes it).
template <typename T> class ModalWatch
{
public:
    explicit ModalWatch(std::function<void(T*)> action) : m_action(std::move(action))
    {
        TestApp();
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible())
                return;
            m_timer.stop();
            ++m_runs;
            m_action(dialog);
        });
        m_timer.start();
    }

    bool Ran() const { return m_runs > 0; }

private:
    std::function<void(T*)> m_action;
    QTimer m_timer;
    int m_runs = 0;
};
