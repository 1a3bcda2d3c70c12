#pragma once

// Helpers of the GUI tests of the dialogs and property sheets: the
// application, a temporary profile with fresh option records, controls by
// their id, and scripts that act on modal dialogs once they are open.

#include "core/filters/FilterSet.h"
#include "core/platform/Profile.h"
#include "core/resources/Texts.h"
#include "core/settings/CAppOptionDisp.h"
#include "core/settings/CAppOptionSync.h"
#include "core/settings/CAppOptionTool.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

// The QApplication of a dialog test program: made before the first test and
// destroyed after the last one, while Qt's own globals still exist.
class DialogTestApplication : public ::testing::Environment
{
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "pairwell-dialog-tests";
        static char* argv[] = {name, nullptr};
        m_app = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    std::unique_ptr<QApplication> m_app;
};

inline ::testing::Environment* const g_dialogTestApplication
    = ::testing::AddGlobalTestEnvironment(new DialogTestApplication);

// A profile file of its own in a temporary folder, and option records and
// a global filter set as a fresh start leaves them.
class TempProfile
{
public:
    TempProfile()
    {
        EXPECT_TRUE(m_dir.isValid());
        CProfile::SetInstancePath(Path());
        GlobalOptionDisp() = CAppOptionDisp();
        GlobalOptionSync() = CAppOptionSync();
        GlobalOptionTool() = CAppOptionTool();
        GlobalFilterSet().RemoveAll();
    }
    ~TempProfile() { CProfile::SetInstancePath(m_dir.path() + QStringLiteral("/gone/Pairwell.ini")); }

    QString Path() const { return m_dir.path() + QStringLiteral("/Pairwell.ini"); }
    CProfile& Profile() const { return CProfile::Instance(); }
    // The file's bytes as text (empty when there is none).
    QString Text() const
    {
        QFile file(Path());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    // Writes filter entries as the profile keeps them ("name", "stored text") and loads the global set.
    void SetFilters(const std::vector<std::pair<QString, QString>>& entries) const
    {
        Profile().ReplaceSectionValues(FilterSet::SectionName(), entries);
        GlobalFilterSet().LoadFromRegistry();
    }
    std::vector<std::pair<QString, QString>> Filters() const
    {
        return Profile().GetSectionValues(FilterSet::SectionName());
    }

private:
    QTemporaryDir m_dir;
};

// The child of `parent` that carries control id `id`.
template <typename T> T* Control(QWidget* parent, int id)
{
    T* control = parent->findChild<T*>(IdName(id));
    EXPECT_NE(control, nullptr) << "control " << id;
    return control;
}

inline void Click(QAbstractButton* button)
{
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isEnabled()) << button->text().toStdString();
    // Check boxes and radio buttons take clicks on their indicator and label
    // only, which begin at their left edge; push buttons anywhere.
    const bool hasIndicator = button->inherits("QCheckBox") || button->inherits("QRadioButton");
    const QPoint at = hasIndicator ? QPoint(6, button->height() / 2) : button->rect().center();
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, at);
}

// Acts on the modal dialogs of type T as they open, one action per dialog
// in the given order. Make the script, then run the code that opens the
// dialogs (it blocks in their exec() until an action closes them).
template <typename T> class ModalScript
{
public:
    ModalScript()
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { Poll(); });
        m_timer.start();
    }

    ModalScript& Then(std::function<void(T*)> action)
    {
        m_actions.push_back(std::move(action));
        return *this;
    }
    int Runs() const { return m_runs; }
    bool Done() const { return m_actions.empty(); }

private:
    void Poll()
    {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        // A dialog that an action left open (a failed expectation) is closed
        // after a while, so that a broken test fails instead of hanging.
        if (dialog && dialog == m_last && dialog->isVisible() && ++m_stuckTicks > 2000) {
            ADD_FAILURE() << "a dialog stayed open after its action";
            dialog->reject();
            return;
        }
        // Each dialog object is acted on once.
        if (!dialog || !dialog->isVisible() || dialog->property(kHandled).toBool() || m_actions.empty())
            return;
        dialog->setProperty(kHandled, true);
        m_last = dialog;
        m_stuckTicks = 0;
        auto action = std::move(m_actions.front());
        m_actions.pop_front();
        ++m_runs;
        action(dialog);
    }

    static constexpr const char* kHandled = "pairwellTestHandled";
    std::deque<std::function<void(T*)>> m_actions;
    QTimer m_timer;
    QPointer<T> m_last;
    int m_stuckTicks = 0;
    int m_runs = 0;
};
