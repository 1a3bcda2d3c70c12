#pragma once

#include "cli/TerminalPrompt.h"
#include "core/sync/CFileOperation.h"

#include <QElapsedTimer>
#include <QString>
#include <csignal>
#include <functional>

// What a run of export or import shows on the terminal while it works.

// A line on stdout, or "pairwell-cli: " and a line on stderr, written as the
// bytes of the names in it, so that undecodable names appear as they are on disk.
void WriteOut(const QString& line);
void WriteErr(const QString& line);

// The terminal prompt, except that the message of a run with nothing to do
// goes to stdout (it is the run's result, not a complaint; with --json the
// result says it instead), and that without a terminal and without --yes
// every question that offers No gets No.
class CSyncPrompt : public CPrompt
{
public:
    CSyncPrompt(bool answerYes, bool json) : m_terminal(answerYes), m_answerYes(answerYes), m_json(json) { }
    PromptAnswer Ask(const PromptRequest& request) override;

private:
    CTerminalPrompt m_terminal;
    bool m_answerYes;
    bool m_json;
};

// While it lives, Ctrl-C asks the running file operation to stop after its
// current item; a second one ends the process at once.
class CInterruptScope
{
public:
    CInterruptScope();
    ~CInterruptScope();
    CInterruptScope(const CInterruptScope&) = delete;
    CInterruptScope& operator=(const CInterruptScope&) = delete;

    static bool Interrupted();

private:
    struct sigaction m_previous
    {
    };
};

// Progress on stderr when it is a terminal; every failure on stderr, one a
// line. `beforeOperation` is called before each file operation starts, while
// nothing of it is done yet.
class CCliObserver : public IFileOperationObserver
{
public:
    explicit CCliObserver(bool showProgress) : m_show(showProgress) { m_clock.start(); }
    ~CCliObserver() override { EndLine(); }

    void SetBeforeOperation(std::function<void(FileOpKind)> hook) { m_beforeOperation = std::move(hook); }

    void Started(qint64 totalFiles, qint64 totalBytes) override;
    void Progress(qint64 filesDone, qint64 bytesDone, const QString& currentName) override;
    bool CancelRequested() override { return CInterruptScope::Interrupted(); }
    void ShowErrors(const QStringList& errors) override;
    void RunOperation(FileOpKind kind, FileOpFlags flags, const std::function<void()>& operation) override;
    // Ends the progress line, if one is open.
    void EndLine();

private:
    bool m_show;
    bool m_lineOpen = false;
    QElapsedTimer m_clock;
    qint64 m_lastPrint = -1000;
    qint64 m_totalFiles = 0;
    qint64 m_totalBytes = 0;
    std::function<void(FileOpKind)> m_beforeOperation;
};
