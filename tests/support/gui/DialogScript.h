#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <functional>
#include <vector>

// Acts on modal dialogs as they open, in order: each step waits until the
// active modal window is a dialog of its type, then runs its action on it
// once. Make the script, then run the code that opens the dialogs (it blocks
// in their exec() until an action closes them). A dialog acted on is acted
// on again only after it was hidden (a dialog shown a second time).
//
// With Standstill::Fails, a broken test fails instead of hanging: a dialog
// left open after its step, or another modal window that keeps the next step
// from its dialog, is closed with a failure once it has stood for ten
// seconds. Scripts around progress dialogs, which stay open after their step
// for as long as the work takes, wait instead.
class DialogScript
{
public:
    enum class Standstill {
        Waits,
        Fails,
    };

    explicit DialogScript(Standstill standstill = Standstill::Waits);
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    template <typename T> DialogScript& Then(std::function<void(T*)> action)
    {
        m_steps.push_back(
            {&T::staticMetaObject, [action = std::move(action)](QWidget* dialog) { action(static_cast<T*>(dialog)); }});
        return *this;
    }

    bool Done() const { return m_next == m_steps.size(); }
    size_t StepsRun() const { return m_next; }

private:
    struct Step
    {
        const QMetaObject* type;
        std::function<void(QWidget*)> run;
    };

    void Poll();
    void RunStep(QWidget* dialog);
    // Fails and closes `modal` once it has stood in the script's way for too long.
    void WatchForStandstill(QWidget* modal);
    bool IsActingOn(const QWidget* dialog) const;

    Standstill m_standstill;
    QTimer m_timer;
    std::vector<Step> m_steps;
    size_t m_next = 0;
    QPointer<QWidget> m_last; // the dialog of the last step while it is shown
    std::vector<QPointer<QWidget>> m_acting; // dialogs whose action runs (nested)
    QPointer<QWidget> m_standing;
    QElapsedTimer m_standingSince;
};
