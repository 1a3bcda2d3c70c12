// pairwell-cli export|import DOC.snc [NODE] [--files NAME…] [--flags HEX] [--log PATH]
//                                   [--plan] [--json] [--yes] [--quiet] [--allow-missing-source]
//
// A synchronisation run of a document's node (a path of display names from
// the top-level project down, "Proj/sub"; none: every project), or of some
// files of that node's folder. The node's effective sync options are used as
// they are (the global ones for every project), so the configured log file is
// written when the window's run would write it; --flags runs a working copy
// with other flags instead. --plan only lists what the run would do. The
// document file is never written.
//
// A project whose folder is not set or whose folders overlap is left out, and
// so, unless --allow-missing-source is given, is a project whose source
// folder cannot be reached or is empty while the destination holds entries
// (an unmounted disk). A folder that could not be read completely gives no
// deletions on the other side. Each of these is reported on stderr and makes
// the exit code 4, with --plan too, so that scripts notice.
//
// Exit codes: 0 done or nothing to do, 1 stopped because filter entries it
// needs could not be read from the profile, 2 bad usage, unreadable document
// or unknown node, 3 stopped by a No or a cancel, 4 some actions failed, or a
// project or folder was left out.
#include "cli/CliArgs.h"
#include "cli/CliDocument.h"
#include "cli/CliVerb.h"
#include "cli/TerminalPrompt.h"
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/model/NodePath.h"
#include "core/platform/FileName.h"
#include "core/platform/Paths.h"
#include "core/settings/CAppOptionSync.h"
#include "core/sync/CSyncRun.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {

// Lines with the bytes of the names, so that undecodable names appear as they are on disk.
void WriteOut(const QString& line)
{
    const QByteArray bytes = EncodeFileName(line) + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

void WriteErr(const QString& line)
{
    std::fflush(stdout);
    const QByteArray bytes = EncodeFileName(QStringLiteral("pairwell-cli: ") + line) + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

// The terminal prompt, except that the message of a run with nothing to do
// goes to stdout (it is the run's result, not a complaint), and that without
// a terminal and without --yes every question that offers No gets No.
class CSyncPrompt : public CPrompt
{
public:
    explicit CSyncPrompt(bool answerYes) : m_terminal(answerYes), m_answerYes(answerYes) { }
    PromptAnswer Ask(const PromptRequest& request) override
    {
        if (request.buttons == PromptButtons::Ok && request.text == NothingToDoText()) {
            WriteOut(request.text);
            return PromptAnswer::Ok;
        }
        if (!m_answerYes && !isatty(STDIN_FILENO)
            && (request.buttons == PromptButtons::YesNo || request.buttons == PromptButtons::YesNoCancel
                || request.buttons == PromptButtons::YesYesToAllNoCancel)) {
            WriteErr(request.text + QStringLiteral(" -> No"));
            return PromptAnswer::No;
        }
        return m_terminal.Ask(request);
    }

private:
    CTerminalPrompt m_terminal;
    bool m_answerYes;
};

// Ctrl-C asks the running file operation to stop after its current item; a
// second one ends the process at once.
std::atomic<bool> g_interrupted{false};

void OnInterrupt(int)
{
    g_interrupted = true;
}

class CInterruptScope
{
public:
    CInterruptScope()
    {
        struct sigaction action
        {
        };
        action.sa_handler = OnInterrupt;
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGINT, &action, &m_previous);
    }
    ~CInterruptScope() { ::sigaction(SIGINT, &m_previous, nullptr); }

private:
    struct sigaction m_previous
    {
    };
};

// Progress on stderr when it is a terminal; every failure on stderr, one a line.
class CCliObserver : public IFileOperationObserver
{
public:
    explicit CCliObserver(bool showProgress) : m_show(showProgress) { m_clock.start(); }
    ~CCliObserver() override { EndLine(); }

    void Started(qint64 totalFiles, qint64 totalBytes) override
    {
        m_totalFiles = totalFiles;
        m_totalBytes = totalBytes;
        m_lastPrint = -1000;
    }
    void Progress(qint64 filesDone, qint64 bytesDone, const QString& currentName) override
    {
        if (!m_show)
            return;
        const bool last = filesDone >= m_totalFiles;
        if (!last && m_clock.elapsed() - m_lastPrint < 100)
            return;
        m_lastPrint = m_clock.elapsed();
        const QString line = QStringLiteral("\r%1/%2 files, %3/%4 KiB  %5\x1b[K")
                                 .arg(filesDone)
                                 .arg(m_totalFiles)
                                 .arg(bytesDone / 1024)
                                 .arg(m_totalBytes / 1024)
                                 .arg(GetLastComponent(currentName));
        const QByteArray bytes = EncodeFileName(line);
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
        std::fflush(stderr);
        m_lineOpen = true;
    }
    bool CancelRequested() override { return g_interrupted.load(); }
    void ShowErrors(const QStringList& errors) override
    {
        EndLine();
        for (const QString& error : errors)
            WriteErr(error);
    }
    void EndLine()
    {
        if (m_lineOpen)
            std::fputs("\n", stderr);
        m_lineOpen = false;
    }

private:
    bool m_show;
    bool m_lineOpen = false;
    QElapsedTimer m_clock;
    qint64 m_lastPrint = -1000;
    qint64 m_totalFiles = 0;
    qint64 m_totalBytes = 0;
};

// "--files A B C --other" takes every name up to the next option.
QStringList TakeFileNames(QStringList& args, bool* given)
{
    QStringList names;
    QStringList rest;
    *given = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) != QLatin1String("--files")) {
            rest << args.at(i);
            continue;
        }
        *given = true;
        while (i + 1 < args.size() && !args.at(i + 1).startsWith(QLatin1String("--")))
            names << args.at(++i);
    }
    args = rest;
    return names;
}

void PrintPlan(const CMyDoc& doc, bool json)
{
    if (json) {
        QJsonArray deletions;
        for (const QString& path : doc.GetDeletions())
            deletions.append(path);
        QJsonArray copies;
        for (qsizetype i = 0; i < doc.GetCopySources().size(); ++i)
            copies.append(QJsonArray{doc.GetCopySources().at(i), doc.GetCopyDestinations().value(i)});
        QJsonObject plan;
        plan.insert(QStringLiteral("deletions"), deletions);
        plan.insert(QStringLiteral("copies"), copies);
        PrintOut(QString::fromUtf8(QJsonDocument(plan).toJson(QJsonDocument::Compact)));
        return;
    }
    for (const QString& path : doc.GetDeletions())
        WriteOut(QStringLiteral("DEL ") + QuotePath(path));
    for (qsizetype i = 0; i < doc.GetCopySources().size(); ++i) {
        WriteOut(QStringLiteral("COPY ") + QuotePath(doc.GetCopySources().at(i)) + QLatin1Char(' ')
            + QuotePath(doc.GetCopyDestinations().value(i)));
    }
}

int ExitCodeOf(const SyncRunResult& result)
{
    if (!result.problems.isEmpty())
        return ExitCode::SomeFailed;
    switch (result.outcome) {
    case SyncOutcome::NothingToDo:
        return ExitCode::Done;
    case SyncOutcome::PreviewStopped:
    case SyncOutcome::Declined:
        return ExitCode::Stopped;
    case SyncOutcome::LogFailed:
    case SyncOutcome::FolderFailed:
        return ExitCode::SomeFailed;
    case SyncOutcome::FiltersUnread:
        return ExitCode::Failure;
    case SyncOutcome::Executed:
        break;
    }
    if (result.AnyFailed())
        return ExitCode::SomeFailed;
    if (result.AnyStopped())
        return ExitCode::Stopped;
    return ExitCode::Done;
}

int RunVerb(const QStringList& arguments, SyncDirection direction)
{
    const QString verb = direction == SyncDirection::Export ? QStringLiteral("export") : QStringLiteral("import");
    QStringList rest = arguments;
    bool filesGiven = false;
    const QStringList files = TakeFileNames(rest, &filesGiven);
    const CliArgs args(rest,
        {QStringLiteral("--plan"), QStringLiteral("--json"), QStringLiteral("--yes"), QStringLiteral("--quiet"),
            QStringLiteral("--allow-missing-source")},
        {QStringLiteral("--flags"), QStringLiteral("--log")});
    if (!args.Ok())
        return UsageError(verb + QStringLiteral(": ") + args.Error());
    if (args.Positional().isEmpty() || args.Positional().size() > 2)
        return UsageError(verb + QStringLiteral(" needs DOC.snc and at most one NODE"));
    if (filesGiven && files.isEmpty())
        return UsageError(verb + QStringLiteral(": --files needs at least one NAME"));
    if (args.Has(QStringLiteral("--json")) && !args.Has(QStringLiteral("--plan")))
        return UsageError(verb + QStringLiteral(": --json goes with --plan"));
    std::optional<quint32> flags;
    if (const auto text = args.Value(QStringLiteral("--flags"))) {
        bool ok = false;
        QString digits = *text;
        if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            digits = digits.mid(2);
        const uint value = digits.toUInt(&ok, 16);
        if (!ok || digits.isEmpty())
            return UsageError(verb + QStringLiteral(": --flags needs a hexadecimal number, not '%1'").arg(*text));
        flags = quint32(value);
    }

    CSyncPrompt prompt(args.Has(QStringLiteral("--yes")));
    CPromptScope scope(prompt);
    LoadSettingsForRescan();

    CMyDoc doc;
    const QString documentPath = args.Positional().at(0);
    if (!doc.OnOpenDocument(documentPath))
        return ExitCode::BadUsage; // the prompt has named the file and the reason
    const QString nodePath = args.Positional().value(1);
    CProject* node = FindNodeByDisplayPath(doc.GetRoot(), nodePath);
    if (!node)
        return UsageError(verb + QStringLiteral(": no node '%1' in %2").arg(nodePath, documentPath));
    auto* project = dynamic_cast<CSyncProject*>(node);
    if (filesGiven && !project)
        return UsageError(verb + QStringLiteral(": --files needs a NODE whose folder holds the files"));

    // The node's effective options record itself, or a working copy with other flags or another log.
    const CAppOptionSync& effective = project ? project->GetEffectiveSyncOptions() : GlobalOptionSync();
    CAppOptionSync working;
    const CAppOptionSync* options = &effective;
    if (flags || args.Value(QStringLiteral("--log"))) {
        working.Flags = flags ? *flags : effective.Flags;
        working.LogFilePath = args.Value(QStringLiteral("--log")).value_or(QString());
        options = &working;
    }

    CInterruptScope interrupt;
    CCliObserver observer(isatty(STDERR_FILENO) && !args.Has(QStringLiteral("--quiet")));
    CSyncRun run(doc);
    run.SetPreviewHook({});
    run.SetObserver(&observer);
    run.SetUnattended(!args.Has(QStringLiteral("--allow-missing-source")));
    run.SetShowProblems(false); // printed below, for a plan too
    // The document was opened (and rescanned) a moment ago.
    run.SetUseRescannedRecords(true);

    if (args.Has(QStringLiteral("--plan"))) {
        if (filesGiven)
            run.CollectFiles(project, files, *options, direction);
        else
            run.Collect(node, *options, direction);
    } else if (filesGiven) {
        run.SynchronizeFiles(project, files, *options, direction);
    } else {
        run.Synchronize(node, *options, direction);
    }
    observer.EndLine();
    const SyncRunResult& result = run.Result();
    const bool plan = args.Has(QStringLiteral("--plan"));
    for (const QString& problem : result.problems)
        WriteErr(problem);
    for (const QString& name : result.skippedProjects)
        WriteErr(QStringLiteral("skipped project %1").arg(name));
    if (result.skippedForSource)
        WriteErr(QStringLiteral("--allow-missing-source runs a project whose source folder is missing or empty"));
    if (plan) {
        if (result.outcome == SyncOutcome::FiltersUnread)
            return ExitCode::Failure; // the prompt has said why; no plan without the filters
        PrintPlan(doc, args.Has(QStringLiteral("--json")));
        std::fflush(stdout);
        return result.problems.isEmpty() ? ExitCode::Done : ExitCode::SomeFailed;
    }
    if (result.outcome == SyncOutcome::FolderFailed)
        WriteErr(result.message);
    if (!result.logWriteError.isEmpty())
        WriteErr(result.logWriteError);
    return ExitCodeOf(result);
}

const CliVerb kExport("export",
    "export DOC.snc [NODE] [--files NAME...] [--flags HEX] [--log PATH] [--plan] [--json] [--yes] "
    "[--quiet] [--allow-missing-source]",
    [](const QStringList& args) { return RunVerb(args, SyncDirection::Export); });
const CliVerb kImport("import",
    "import DOC.snc [NODE] [--files NAME...] [--flags HEX] [--log PATH] [--plan] [--json] [--yes] "
    "[--quiet] [--allow-missing-source]",
    [](const QStringList& args) { return RunVerb(args, SyncDirection::Import); });

} // namespace
