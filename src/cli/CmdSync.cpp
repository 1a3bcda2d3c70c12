// pairwell-cli export|import DOC.snc [NODE] [--files NAME…] [--flags HEX]
//                                   [--subfolders …] [--log PATH] [--plan] [--json]
//                                   [--yes] [--quiet] [--allow-missing-source]
//
// A synchronisation run of a document's node (a path of display names from
// the top-level project down, "Proj/sub"; none: every project), or of some
// files of that node's folder. The node's effective sync options are used as
// they are (the global ones for every project), so the configured log file is
// written when the window's run would write it; --flags and the named sync
// options (RunOptions.h) run a working copy with other flags instead, as the
// window's sync options dialog does. --plan only lists what the run would
// do. The document file is never written.
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
#include "cli/RunConsole.h"
#include "cli/RunOptions.h"
#include "cli/RunRequest.h"
#include "cli/RunSummary.h"
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/model/NodePath.h"
#include "core/platform/Paths.h"
#include "core/settings/CAppOptionSync.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <unistd.h>

namespace {

// The node a run starts from, in the opened document.
struct RunNode
{
    CProject* node = nullptr;
    CSyncProject* project = nullptr; // null for the root (every project)
};

// Done, or the exit code of a document that cannot be read or a node that is not in it (reported).
int OpenRunNode(CMyDoc& doc, const RunRequest& request, RunNode& target)
{
    if (!doc.OnOpenDocument(request.documentPath))
        return ExitCode::BadUsage; // the prompt has named the file and the reason
    target.node = FindNodeByDisplayPath(doc.GetRoot(), request.nodePath);
    if (!target.node) {
        return UsageError(
            request.verb + QStringLiteral(": no node '%1' in %2").arg(request.nodePath, request.documentPath));
    }
    target.project = dynamic_cast<CSyncProject*>(target.node);
    if (request.filesGiven && !target.project)
        return UsageError(request.verb + QStringLiteral(": --files needs a NODE whose folder holds the files"));
    return ExitCode::Done;
}

// The node's effective options, or a working copy of them with other flags
// or another log: the flags only, and the log of --log or, as the window's
// sync options dialog leaves it, none (a new temporary file).
CAppOptionSync RunOptionsFor(const RunNode& target, const RunRequest& request)
{
    const CAppOptionSync& effective = target.project ? target.project->GetEffectiveSyncOptions() : GlobalOptionSync();
    if (!request.flags && request.changes.empty() && !request.log)
        return effective;
    CAppOptionSync working;
    working.Flags
        = ApplyFlagChanges(SyncFlags::fromInt(request.flags.value_or(effective.Flags.toInt())), request.changes);
    working.LogFilePath = request.log.value_or(QString());
    return working;
}

void ConfigureRun(CSyncRun& run, CCliObserver& observer, const RunRequest& request)
{
    run.SetPreviewHook({});
    run.SetObserver(&observer);
    run.SetUnattended(!request.allowMissingSource);
    run.SetShowProblems(false); // printed by ReportProblems, for a plan too
    // The document was opened (and rescanned) a moment ago.
    run.SetUseRescannedRecords(true);
}

void ReportProblems(const SyncRunResult& result)
{
    for (const QString& problem : result.problems)
        WriteErr(problem);
    for (const QString& name : result.skippedProjects)
        WriteErr(QStringLiteral("skipped project %1").arg(name));
    if (result.skippedForSource)
        WriteErr(QStringLiteral("--allow-missing-source runs a project whose source folder is missing or empty"));
}

void PrintJson(const QJsonObject& object)
{
    PrintOut(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
}

void PrintPlan(const CMyDoc& doc, const CAppOptionSync& options, const RunRequest& request)
{
    const CPairRoots roots = DocumentRoots(doc);
    const PlanTotals totals{request.direction, (options.Flags & SyncFlag::RecycleBin) != 0,
        Total(MeasureItems(doc.GetCopySources(), roots)), Total(MeasureItems(doc.GetDeletions(), roots))};
    if (request.json) {
        QJsonArray copies;
        for (qsizetype i = 0; i < doc.GetCopySources().size(); ++i)
            copies.append(QJsonArray{doc.GetCopySources().at(i), doc.GetCopyDestinations().value(i)});
        PrintJson({{QStringLiteral("deletions"), QJsonArray::fromStringList(doc.GetDeletions())},
            {QStringLiteral("copies"), copies}, {QStringLiteral("direction"), request.verb},
            {QStringLiteral("flags"), qint64(options.Flags.toInt())}, {QStringLiteral("summary"), PlanJson(totals)}});
        return;
    }
    for (const QString& line : PlanLines(totals))
        WriteOut(line);
    for (const QString& path : doc.GetDeletions())
        WriteOut(QStringLiteral("DEL ") + QuotePath(path));
    for (qsizetype i = 0; i < doc.GetCopySources().size(); ++i) {
        WriteOut(QStringLiteral("COPY ") + QuotePath(doc.GetCopySources().at(i)) + QLatin1Char(' ')
            + QuotePath(doc.GetCopyDestinations().value(i)));
    }
}

int ShowPlan(CMyDoc& doc, const RunNode& target, const CAppOptionSync& options, const RunRequest& request)
{
    CCliObserver observer(false);
    CSyncRun run(doc);
    ConfigureRun(run, observer, request);
    if (request.filesGiven)
        run.CollectFiles(target.project, request.files, options, request.direction);
    else
        run.Collect(target.node, options, request.direction);
    const SyncRunResult& result = run.Result();
    ReportProblems(result);
    if (result.outcome == SyncOutcome::FiltersUnread)
        return ExitCode::Failure; // the prompt has said why; no plan without the filters
    PrintPlan(doc, options, request);
    return result.problems.isEmpty() ? ExitCode::Done : ExitCode::SomeFailed;
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

// The counts of the listed paths, taken before each operation changes them.
struct MeasuredLists
{
    std::vector<ItemCounts> copies;
    std::vector<ItemCounts> deletions;
};

void PrintRunSummary(const CMyDoc& doc, const SyncRunResult& result, const MeasuredLists& measured,
    const CAppOptionSync& options, const RunRequest& request, int exitCode)
{
    const RunTotals totals{request.direction, (options.Flags & SyncFlag::RecycleBin) != 0,
        OutcomeOf(result.copies, doc.GetCopySources().size(), measured.copies),
        OutcomeOf(result.deletions, doc.GetDeletions().size(), measured.deletions), result.logPath};
    if (request.json) {
        PrintJson(
            {{QStringLiteral("direction"), request.verb}, {QStringLiteral("flags"), qint64(options.Flags.toInt())},
                {QStringLiteral("outcome"), OutcomeName(result.outcome)}, {QStringLiteral("exitCode"), exitCode},
                {QStringLiteral("log"), result.logPath.isEmpty() ? QJsonValue() : QJsonValue(result.logPath)},
                {QStringLiteral("summary"), RunJson(totals)},
                {QStringLiteral("problems"), QJsonArray::fromStringList(result.problems)}});
        return;
    }
    for (const QString& line : RunLines(totals))
        WriteOut(line);
}

int Execute(CMyDoc& doc, const RunNode& target, const CAppOptionSync& options, const RunRequest& request)
{
    const bool summary = request.json || !request.quiet;
    CInterruptScope interrupt;
    CCliObserver observer(isatty(STDERR_FILENO) && !request.quiet);
    MeasuredLists measured;
    if (summary) {
        observer.SetBeforeOperation([&doc, &measured](FileOpKind kind) {
            const CPairRoots roots = DocumentRoots(doc);
            if (kind == FileOpKind::Copy)
                measured.copies = MeasureItems(doc.GetCopySources(), roots);
            else
                measured.deletions = MeasureItems(doc.GetDeletions(), roots);
        });
    }
    CSyncRun run(doc);
    ConfigureRun(run, observer, request);
    if (request.filesGiven)
        run.SynchronizeFiles(target.project, request.files, options, request.direction);
    else
        run.Synchronize(target.node, options, request.direction);
    observer.EndLine();
    const SyncRunResult& result = run.Result();
    ReportProblems(result);
    if (result.outcome == SyncOutcome::FolderFailed)
        WriteErr(result.message);
    if (!result.logWriteError.isEmpty())
        WriteErr(result.logWriteError);
    const int code = ExitCodeOf(result);
    if (summary && result.outcome != SyncOutcome::FiltersUnread
        && (request.json || result.outcome != SyncOutcome::NothingToDo))
        PrintRunSummary(doc, result, measured, options, request, code);
    return code;
}

int RunVerb(const QStringList& arguments, SyncDirection direction)
{
    RunRequest request;
    request.direction = direction;
    request.verb = direction == SyncDirection::Export ? QStringLiteral("export") : QStringLiteral("import");
    if (const int code = ParseRequest(arguments, request); code != ExitCode::Done)
        return code;

    CSyncPrompt prompt(request.yes, request.json);
    CPromptScope scope(prompt);
    LoadSettingsForRescan();
    CMyDoc doc;
    RunNode target;
    if (const int code = OpenRunNode(doc, request, target); code != ExitCode::Done)
        return code;
    const CAppOptionSync options = RunOptionsFor(target, request);
    const int code = request.plan ? ShowPlan(doc, target, options, request) : Execute(doc, target, options, request);
    std::fflush(stdout);
    return code;
}

const CliVerb kExport("export", RunVerbHelp(SyncDirection::Export),
    [](const QStringList& args) { return RunVerb(args, SyncDirection::Export); });
const CliVerb kImport("import", RunVerbHelp(SyncDirection::Import),
    [](const QStringList& args) { return RunVerb(args, SyncDirection::Import); });

} // namespace
