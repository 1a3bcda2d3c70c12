#include "support/gui/DialogScript.h"

#include <QApplication>
#include <QDialog>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

constexpr std::chrono::milliseconds kPatience = std::chrono::seconds(10);

std::string Describe(const QWidget* window)
{
    return std::string(window->metaObject()->className()) + " \"" + window->windowTitle().toStdString() + '"';
}

} // namespace

DialogScript::DialogScript(Standstill standstill) : m_standstill(standstill)
{
    m_timer.setInterval(5);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { Poll(); });
    m_timer.start();
}

void DialogScript::Poll()
{
    if (m_last && !m_last->isVisible())
        m_last = nullptr;
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) {
        m_standing = nullptr;
        return;
    }
    // Polls come in again while an action waits for something: a dialog the
    // action opens may be the next step's.
    if (!Done() && modal != m_last && m_steps[m_next].type->cast(modal)) {
        RunStep(modal);
        return;
    }
    if (m_standstill == Standstill::Fails)
        WatchForStandstill(modal);
}

void DialogScript::RunStep(QWidget* dialog)
{
    m_last = dialog;
    m_standing = nullptr;
    const std::function<void(QWidget*)> run = m_steps[m_next++].run;
    m_acting.emplace_back(dialog);
    run(dialog);
    m_acting.pop_back();
    if (m_last && !m_last->isVisible())
        m_last = nullptr;
}

void DialogScript::WatchForStandstill(QWidget* modal)
{
    const bool leftOpen = modal == m_last;
    if (IsActingOn(modal) || (!leftOpen && Done())) {
        m_standing = nullptr;
        return;
    }
    if (modal != m_standing) {
        m_standing = modal;
        m_standingSince.start();
        return;
    }
    if (std::chrono::milliseconds(m_standingSince.elapsed()) < kPatience)
        return;
    if (leftOpen)
        ADD_FAILURE() << Describe(modal) << " stayed open after its step";
    else
        ADD_FAILURE() << Describe(modal) << " was open while step " << m_next + 1 << " waited for a "
                      << m_steps[m_next].type->className();
    m_standing = nullptr;
    if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->reject();
    else
        modal->close();
}

bool DialogScript::IsActingOn(const QWidget* dialog) const
{
    return std::any_of(
        m_acting.begin(), m_acting.end(), [dialog](const QPointer<QWidget>& acting) { return acting == dialog; });
}
