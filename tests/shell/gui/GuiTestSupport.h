#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>

// The QApplication of a GUI test program, made on first use (before any widget).
inline QApplication& TestApp()
{
    static int argc = 1;
    static char name[] = "pairwell_gui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
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
