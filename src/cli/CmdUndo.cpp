// pairwell-cli undo DOC.snc [--list] [--run ID] [--plan] [--yes] [--json]
//
// Undoes an executed run of the document from its run record: files the run
// created go to the trash, files it replaced or deleted come back from the
// trash to their places, folders it removed come back with what they held.
// Without --run, the document's last run. An item that changed since the
// run, whose trash item is gone, or that went for good, is left alone and
// reported on stderr; the rest is undone. The undo is a run of its own: it
// writes the log (the configured log file, else a new temporary one) and a
// record, so that it can be undone in turn. --plan lists what the undo would
// do; --list shows the document's recent runs and whether they can still be
// undone. The document file is only named, never read or written.
//
// Exit codes: 0 done, 2 bad usage or no run to undo, 3 not confirmed, 4 some
// items were left alone or failed, or a run record is damaged.
#include "cli/CliArgs.h"
#include "cli/CliDocument.h"
#include "cli/CliVerb.h"
#include "cli/RunConsole.h"
#include "core/platform/Paths.h"
#include "core/platform/Prompt.h"
#include "core/settings/CAppOptionSync.h"
#include "core/sync/CUndoRun.h"
#include "core/sync/RunRecord.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdio>

namespace {

struct UndoRequest
{
    QString documentPath;
    QString runId;
    bool list = false;
    bool plan = false;
    bool yes = false;
    bool json = false;
};

const CliOptions& UndoOptions()
{
    static const CliOptions options{
        {{QStringLiteral("--list")}, {},
            QStringLiteral("show the document's recent runs and whether they can be undone"), {}},
        {{QStringLiteral("--run")}, QStringLiteral("ID"),
            QStringLiteral("undo this run (an id of --list) instead of the last one"), {}},
        {{QStringLiteral("--plan")}, {}, QStringLiteral("only list what the undo would do"), {}},
        {{QStringLiteral("--yes")}, {}, QStringLiteral("undo without asking"), {}},
        {{QStringLiteral("--json")}, {}, QStringLiteral("print the result as JSON"), {}},
    };
    return options;
}

CliVerbHelp UndoHelp()
{
    return {QStringLiteral("undo DOC.snc [--list] [--run ID] [--plan] [--yes] [--json]"),
        QStringLiteral("undo the last run of a document (or another run)"),
        QStringLiteral(
            "Files the run created go to the trash; files it replaced or deleted come back from the trash "
            "to their places, folders it removed come back with what they held. An item changed since the "
            "run, whose trash item is gone or that went for good is left alone and reported. The undo writes "
            "the log and a run record of its own, so it can be undone too. Runs are kept for 30 days, at "
            "most the last 100."),
        UndoOptions(),
        {{0, QStringLiteral("done")}, {2, QStringLiteral("bad usage, or no run to undo")},
            {3, QStringLiteral("not confirmed")},
            {4, QStringLiteral("some items were left alone or failed, or a run record is damaged")}}};
}

void PrintJson(const QJsonObject& object)
{
    PrintOut(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
}

QString Undoable(const CUndoRun& undo)
{
    if (undo.Steps().empty())
        return QStringLiteral("no");
    return undo.LeftAlone().isEmpty() ? QStringLiteral("yes") : QStringLiteral("partly");
}

int ListRuns(const std::vector<RunRecord>& records, const UndoRequest& request, int code)
{
    QJsonArray runs;
    for (const RunRecord& record : records) {
        CUndoRun undo(record);
        undo.Plan();
        const int copies = record.Count(RunAction::Type::Copy);
        const int deletions = record.Count(RunAction::Type::Delete);
        if (request.json) {
            runs.append(QJsonObject{{QStringLiteral("id"), record.id},
                {QStringLiteral("time"), record.time.toUTC().toString(Qt::ISODate)},
                {QStringLiteral("direction"), record.direction}, {QStringLiteral("node"), record.node},
                {QStringLiteral("copies"), copies}, {QStringLiteral("deletions"), deletions},
                {QStringLiteral("undoable"), Undoable(undo)}});
            continue;
        }
        WriteOut(QStringLiteral("%1  %2  %3  %4  copies=%5 deletions=%6  undo=%7")
                     .arg(record.id, record.time.toLocalTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")),
                         record.direction, record.node.isEmpty() ? QStringLiteral("(all)") : record.node)
                     .arg(copies)
                     .arg(deletions)
                     .arg(Undoable(undo)));
    }
    if (request.json)
        PrintJson({{QStringLiteral("runs"), runs}});
    return code;
}

void PrintSteps(const CUndoRun& undo, const UndoRequest& request)
{
    const SyncLists lists = undo.AsLists();
    if (request.json) {
        QJsonArray copies;
        for (qsizetype i = 0; i < lists.copySources.size(); ++i)
            copies.append(QJsonArray{lists.copySources.at(i), lists.copyDestinations.at(i)});
        PrintJson({{QStringLiteral("run"), undo.Original().id},
            {QStringLiteral("deletions"), QJsonArray::fromStringList(lists.deletions)},
            {QStringLiteral("copies"), copies},
            {QStringLiteral("leftAlone"), QJsonArray::fromStringList(undo.LeftAlone())}});
        return;
    }
    for (const QString& path : lists.deletions)
        WriteOut(QStringLiteral("DEL ") + QuotePath(path));
    for (qsizetype i = 0; i < lists.copySources.size(); ++i)
        WriteOut(QStringLiteral("COPY ") + QuotePath(lists.copySources.at(i)) + QLatin1Char(' ')
            + QuotePath(lists.copyDestinations.at(i)));
}

int RunUndo(CUndoRun& undo, const UndoRequest& request, int code)
{
    if (undo.Steps().empty()) {
        for (const QString& why : undo.LeftAlone())
            WriteErr(why);
        WriteErr(UndoText::NothingToUndo());
        return undo.LeftAlone().isEmpty() ? code : ExitCode::SomeFailed;
    }
    if (!request.yes && !CurrentPrompt().AskYesNo(UndoText::Question(undo.Original())))
        return ExitCode::Stopped;
    const bool opened = undo.Execute(GlobalOptionSync().LogFilePath);
    for (const QString& problem : undo.Problems())
        WriteErr(problem);
    if (request.json) {
        PrintJson({{QStringLiteral("run"), undo.Original().id}, {QStringLiteral("undoRun"), undo.Record().id},
            {QStringLiteral("done"), undo.DoneCount()}, {QStringLiteral("steps"), int(undo.Steps().size())},
            {QStringLiteral("log"), undo.Record().logPath},
            {QStringLiteral("problems"), QJsonArray::fromStringList(undo.Problems())}});
    } else {
        WriteOut(QStringLiteral("undone %1 of %2 items of run %3; log %4")
                     .arg(undo.DoneCount())
                     .arg(undo.Steps().size())
                     .arg(undo.Original().id, undo.Record().logPath));
    }
    return opened && undo.Problems().isEmpty() ? code : ExitCode::SomeFailed;
}

int ParseUndo(const QStringList& arguments, UndoRequest& request)
{
    const CliArgs args(arguments, UndoOptions(), QStringLiteral("undo"));
    if (!args.Ok())
        return UsageError(args.Error());
    if (args.Positional().size() != 1)
        return UsageError(QStringLiteral("undo: needs DOC.snc (see pairwell-cli undo --help)"));
    request.documentPath = AbsolutePath(args.Positional().at(0));
    request.runId = args.Value(QStringLiteral("--run")).value_or(QString());
    request.list = args.Has(QStringLiteral("--list"));
    request.plan = args.Has(QStringLiteral("--plan"));
    request.yes = args.Has(QStringLiteral("--yes"));
    request.json = args.Has(QStringLiteral("--json"));
    return ExitCode::Done;
}

int UndoVerb(const QStringList& arguments)
{
    UndoRequest request;
    if (const int code = ParseUndo(arguments, request); code != ExitCode::Done)
        return code;
    CSyncPrompt prompt(request.yes, request.json);
    CPromptScope scope(prompt);
    GlobalOptionSync().Load();
    QStringList damaged;
    const std::vector<RunRecord> records = RunRecords::ForDocument(request.documentPath, &damaged);
    for (const QString& text : damaged)
        WriteErr(text);
    const int code = damaged.isEmpty() ? ExitCode::Done : ExitCode::SomeFailed;
    if (request.list) {
        const int listed = ListRuns(records, request, code);
        std::fflush(stdout);
        return listed;
    }
    const auto chosen = std::find_if(records.begin(), records.end(),
        [&request](const RunRecord& record) { return request.runId.isEmpty() || record.id == request.runId; });
    if (chosen == records.end()) {
        return UsageError(request.runId.isEmpty() ? QStringLiteral("undo: ") + UndoText::NothingToUndo()
                                                  : QStringLiteral("undo: ") + RunRecordText::NotFound(request.runId));
    }
    CUndoRun undo(*chosen);
    undo.Plan();
    int result = code;
    if (request.plan) {
        PrintSteps(undo, request);
        for (const QString& why : undo.LeftAlone())
            WriteErr(why);
        result = undo.LeftAlone().isEmpty() ? code : ExitCode::SomeFailed;
    } else {
        result = RunUndo(undo, request, code);
    }
    std::fflush(stdout);
    return result;
}

const CliVerb kUndo("undo", UndoHelp(), UndoVerb);

} // namespace
