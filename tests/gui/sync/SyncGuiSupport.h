#pragma once

#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/platform/FileName.h"
#include "core/platform/Profile.h"
#include "core/platform/Prompt.h"
#include "core/resources/Texts.h"
#include "core/settings/CAppOptionSync.h"
#include "core/settings/CAppOptionTool.h"
#include "core/sync/CSyncRun.h"
#include "gui/sync/GuiSyncHooks.h"
#include "support/TestDir.h"

#include <QApplication>
#include <QCheckBox>
#include <QPointer>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <vector>

// Points an environment variable elsewhere (or removes it) for the life of the object.
class EnvScope
{
public:
    EnvScope(const char* name, const QByteArray& value, bool set = true)
        : m_name(name), m_old(qgetenv(name)), m_had(qEnvironmentVariableIsSet(name))
    {
        if (set)
            qputenv(name, value);
        else
            qunsetenv(name);
    }
    ~EnvScope()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }
    EnvScope(const EnvScope&) = delete;
    EnvScope& operator=(const EnvScope&) = delete;

private:
    const char* m_name;
    QByteArray m_old;
    bool m_had;
};

// A control of a dialog by its id.
template <typename T> T* Control(QWidget* dialog, int id)
{
    T* control = dialog->findChild<T*>(IdName(id));
    EXPECT_NE(control, nullptr) << "control " << id;
    return control;
}

// Clicks a check box on its indicator (the middle of a wide box may be beside its text).
inline void ClickBox(QCheckBox* box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

// Answers modal dialogs in order: each step runs once the active modal
// window is of its type. Steps must not block (they click or close).
class DialogScript
{
public:
    DialogScript()
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { Poll(); });
        m_timer.start();
    }

    template <typename T> DialogScript& Then(std::function<void(T*)> action)
    {
        m_steps.push_back({[](QWidget* widget) { return qobject_cast<T*>(widget) != nullptr; },
            [action](QWidget* widget) { action(static_cast<T*>(widget)); }});
        return *this;
    }

    bool Done() const { return m_next == m_steps.size(); }
    size_t StepsRun() const { return m_next; }

private:
    struct Step
    {
        std::function<bool(QWidget*)> matches;
        std::function<void(QWidget*)> run;
    };

    void Poll()
    {
        if (m_next >= m_steps.size())
            return;
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || modal == m_last || !m_steps[m_next].matches(modal))
            return;
        // The same window shown again counts as new once it was hidden in between.
        m_last = modal;
        QObject::connect(modal, &QObject::destroyed, &m_timer, [this] { m_last = nullptr; });
        const Step& step = m_steps[m_next++];
        step.run(modal);
        if (!modal->isVisible())
            m_last = nullptr;
    }

    QTimer m_timer;
    std::vector<Step> m_steps;
    size_t m_next = 0;
    QPointer<QWidget> m_last;
};

// A prompt that notes on which thread each question arrived and whether a
// progress dialog was up at that moment.
class NotingPrompt : public CScriptedPrompt
{
public:
    PromptAnswer Ask(const PromptRequest& request) override
    {
        onGuiThread.push_back(QThread::currentThread() == qApp->thread());
        QWidget* modal = QApplication::activeModalWidget();
        modalClass.push_back(modal ? QString::fromLatin1(modal->metaObject()->className()) : QString());
        return CScriptedPrompt::Ask(request);
    }
    std::vector<bool> onGuiThread;
    QStringList modalClass;
};

// The common ground of the GUI tests of runs: real folders in a temporary
// directory, the temporary folder, the trash and the profile pointed there,
// default options, a scripted prompt, and the window's hooks installed on a
// document with an owner window.
class SyncGuiTest : public ::testing::Test
{
protected:
    static constexpr qint64 kOld = 1'000'000'000;
    static constexpr qint64 kNew = kOld + 100;

    void SetUp() override
    {
        CProfile::SetInstancePath(dir.PathOf(QStringLiteral("profile.ini")));
        GlobalOptionSync().Flags = SyncFlag::Default;
        GlobalOptionSync().LogFilePath.clear();
        GlobalOptionTool() = CAppOptionTool();
        owner = std::make_unique<QWidget>();
        owner->resize(400, 300);
        InstallGuiSyncHooks(doc, owner.get());
        SetProgressDialogDelay(300);
    }

    void TearDown() override
    {
        owner.reset(); // removes the hooks
        EXPECT_EQ(doc.GetSyncHooks().observer, nullptr);
        GlobalOptionSync().Flags = SyncFlag::Default;
        GlobalOptionTool() = CAppOptionTool();
        SetProgressDialogDelay(300);
    }

    // A project over dir/P and dir/T, rescanned so that its subfolder nodes exist.
    CSyncProject& AddProject(const QString& project = QStringLiteral("P"), const QString& target = QStringLiteral("T"))
    {
        auto node = std::make_unique<CSyncProject>(&doc.GetRoot());
        node->SetFolders(dir.PathOf(project), dir.PathOf(target));
        CSyncProject& added = doc.GetRoot().AddChild(std::move(node));
        doc.GetRoot().Refresh(true);
        return added;
    }

    QString P(const QString& relative) const { return dir.PathOf(QStringLiteral("P/") + relative); }
    QString T(const QString& relative) const { return dir.PathOf(QStringLiteral("T/") + relative); }

    // The lines of a log file (UTF-16LE, CR LF).
    static QStringList LogLines(const QString& path)
    {
        const QByteArray bytes = TestDir::ReadFile(path);
        const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
        QStringList lines = text.split(QStringLiteral("\r\n"));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        // Without the time stamp (date, space, time, space).
        for (QString& line : lines)
            line = line.section(QLatin1Char(' '), 2);
        return lines;
    }

    TestDir dir;
    EnvScope tmp{"TMPDIR", EncodeFileName(dir.MakeFolder(QStringLiteral("tmp")))};
    EnvScope data{"XDG_DATA_HOME", EncodeFileName(dir.PathOf(QStringLiteral("data")))};
    CMyDoc doc;
    NotingPrompt prompt;
    CPromptScope scope{prompt};
    std::unique_ptr<QWidget> owner;
};
