#pragma once

#include "support/gui/DialogScript.h"

#include <functional>
#include <utility>
#include <vector>

// Runs `action` once on the next modal dialog of type T, once it is open.
// Make the watch, then start the code that opens the dialog (which blocks
// in its exec() until the action closes it).
template <typename T> class ModalWatch
{
public:
    explicit ModalWatch(std::function<void(T*)> action) { m_script.Then<T>(std::move(action)); }
    bool Ran() const { return m_script.Done(); }

private:
    DialogScript m_script;
};

// Acts on the modal dialogs of type T as they open, one action per dialog
// in the given order; a dialog left standing fails the test (see DialogScript).
template <typename T> class ModalScript
{
public:
    ModalScript() = default;
    explicit ModalScript(const std::vector<std::function<void(T&)>>& actions)
    {
        for (const std::function<void(T&)>& action : actions)
            m_script.Then<T>([action](T* dialog) { action(*dialog); });
    }

    ModalScript& Then(std::function<void(T*)> action)
    {
        m_script.Then<T>(std::move(action));
        return *this;
    }
    int Runs() const { return static_cast<int>(m_script.StepsRun()); }
    bool Done() const { return m_script.Done(); }

private:
    DialogScript m_script{DialogScript::Standstill::Fails};
};
