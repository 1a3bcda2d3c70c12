#pragma once

#include "core/platform/FolderHandles.h"
#include "core/sync/CSyncRun.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <vector>

class CMyDoc;

// The totals of a plan and of a run in words a user reads at a glance
// ("Would copy 12 files (3.4 MiB) from the project folders to the target
// folders."), and as JSON fields for scripts.

// What some of the paths of a copy or deletion list hold. A link counts as
// a file (it is copied or deleted as itself); a folder counts with the files
// below it.
struct ItemCounts
{
    qint64 files = 0; // listed paths that are files
    qint64 folders = 0; // listed paths that are folders
    qint64 filesInFolders = 0; // files below those folders
    qint64 bytes = 0; // the size of all those files

    void Add(const ItemCounts& other);
    bool IsEmpty() const { return files == 0 && folders == 0; }
};

// The root folders of the document's projects: the measuring walks down
// from them without following links, as the run does.
CPairRoots DocumentRoots(const CMyDoc& doc);
// What each of `paths` holds (one entry per path, in order).
std::vector<ItemCounts> MeasureItems(const QStringList& paths, const CPairRoots& roots);
ItemCounts Total(const std::vector<ItemCounts>& items);

struct PlanTotals
{
    SyncDirection direction = SyncDirection::Export;
    bool toTrash = false;
    ItemCounts copies;
    ItemCounts deletions;
};

QStringList PlanLines(const PlanTotals& plan);
QJsonObject PlanJson(const PlanTotals& plan);

// What a run did with one of its lists.
struct ListOutcome
{
    qsizetype items = 0; // listed
    ItemCounts done;
    qsizetype failed = 0;
    qsizetype skipped = 0; // answered No
    qsizetype notDone = 0; // not reached: cancelled, or the run stopped before the operation
};

// `measured` holds the counts of the listed paths, taken before the
// operation; `planned` is the number of listed paths.
ListOutcome OutcomeOf(const FileOpResult& result, qsizetype planned, const std::vector<ItemCounts>& measured);

struct RunTotals
{
    SyncDirection direction = SyncDirection::Export;
    bool toTrash = false;
    ListOutcome copies;
    ListOutcome deletions;
    QString logPath;
};

QStringList RunLines(const RunTotals& run);
QJsonObject RunJson(const RunTotals& run);
// The name of an outcome in the JSON output ("executed", "nothingToDo", …).
QString OutcomeName(SyncOutcome outcome);
