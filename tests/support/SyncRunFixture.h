#pragma once

#include "core/filters/FilterSet.h"
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/platform/FileCopy.h"
#include "core/platform/FileName.h"
#include "core/platform/Prompt.h"
#include "core/settings/CAppOptionSync.h"
#include "core/sync/CSyncLog.h"
#include "core/sync/CSyncRun.h"
#include "support/TestDir.h"

#include <gtest/gtest.h>
#include <memory>

// Whole runs on real folders: a document with projects over folders of a
// temporary directory, a scripted prompt, a fixed clock, and the temporary
// folder, the trash and the process-wide options and filters pointed away
// from the user's own.
class SyncRunTest : public ::testing::Test
{
protected:
    static constexpr qint64 kOld = 1'000'000'000;
    static constexpr qint64 kNew = kOld + 100;

    void SetUp() override
    {
        m_oldTmp = qgetenv("TMPDIR");
        m_oldData = qgetenv("XDG_DATA_HOME");
        m_oldState = qgetenv("XDG_STATE_HOME");
        qputenv("TMPDIR", EncodeFileName(dir.MakeFolder(QStringLiteral("tmp"))));
        qputenv("XDG_DATA_HOME", EncodeFileName(dir.PathOf(QStringLiteral("data"))));
        qputenv("XDG_STATE_HOME", EncodeFileName(dir.PathOf(QStringLiteral("state"))));
        GlobalOptionSync().Flags = SyncFlag::Default;
        GlobalOptionSync().LogFilePath.clear();
        GlobalFilterSet().RemoveAll();
        CSyncLog::SetClock([] { return QDateTime(QDate(2004, 3, 1), QTime(9, 5, 3)); });
        logPath = dir.PathOf(QStringLiteral("sync.log"));
    }

    void TearDown() override
    {
        CSyncLog::SetClock({});
        FileCopyTestHooks::FailWritesAfter(-1);
        FileCopyTestHooks::SetAfterDataHook({});
        GlobalOptionSync().Flags = SyncFlag::Default;
        GlobalFilterSet().RemoveAll();
        Restore("TMPDIR", m_oldTmp);
        Restore("XDG_DATA_HOME", m_oldData);
        Restore("XDG_STATE_HOME", m_oldState);
    }

    static void Restore(const char* name, const QByteArray& value)
    {
        if (value.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, value);
    }

    // A project over dir/<project> and dir/<target>; the tree is rescanned so
    // that subfolder nodes exist.
    CSyncProject& AddProject(const QString& project = QStringLiteral("P"), const QString& target = QStringLiteral("T"))
    {
        auto node = std::make_unique<CSyncProject>(&doc.GetRoot());
        node->SetFolders(dir.PathOf(project), dir.PathOf(target));
        CSyncProject& added = doc.GetRoot().AddChild(std::move(node));
        doc.GetRoot().Refresh(true);
        return added;
    }

    CAppOptionSync Options(SyncFlags flags) const
    {
        CAppOptionSync options;
        options.Flags = flags;
        options.LogFilePath = logPath;
        return options;
    }

    // Runs with a fresh CSyncRun and keeps its result.
    bool Run(CProject* node, SyncFlags flags, SyncDirection direction, bool unattended = false)
    {
        CSyncRun run(doc);
        if (unattended)
            run.SetUnattended(true); // else as the document's mode says
        if (previewHook)
            run.SetPreviewHook(previewHook);
        const bool executed = run.Synchronize(node, Options(flags), direction);
        result = run.Result();
        return executed;
    }

    QString P(const QString& relative) const { return dir.PathOf(QStringLiteral("P/") + relative); }
    QString T(const QString& relative) const { return dir.PathOf(QStringLiteral("T/") + relative); }

    QByteArray Utf16(const QString& text) const
    {
        QByteArray bytes;
        for (const QChar c : text) {
            bytes.append(char(c.unicode() & 0xFF));
            bytes.append(char(c.unicode() >> 8));
        }
        return bytes;
    }

    TestDir dir;
    CMyDoc doc;
    CScriptedPrompt prompt;
    CPromptScope scope{prompt};
    QString logPath;
    SyncPreviewHook previewHook;
    SyncRunResult result;

private:
    QByteArray m_oldTmp;
    QByteArray m_oldData;
    QByteArray m_oldState;
};
