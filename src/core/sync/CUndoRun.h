#pragma once

#include "core/platform/EntryStamp.h"
#include "core/platform/FolderHandles.h"
#include "core/sync/CSyncRun.h"
#include "core/sync/RunRecord.h"

#include <QString>
#include <QStringList>
#include <vector>

// One step of an undo.
struct UndoStep
{
    enum class Kind {
        Remove, // a file or folder the run created goes to the trash
        PutBack, // an item the run deleted comes back from the trash where nothing is now
        SwapBack, // a file the run replaced comes back from the trash; the run's copy goes there
    };
    Kind kind = Kind::Remove;
    QString path;
    QString trashItem; // PutBack, SwapBack
    EntryStamp expected; // what must be at `path` (Remove, SwapBack); Missing for PutBack
};

// Undoes an executed run from its record: files the run created go to the
// trash, files it replaced or deleted come back from the trash to their
// places (with their times), folders it removed come back with what they
// held. Nothing is lost by an undo either: an item that changed since the
// run (its size or time differ from the record), whose trash item is gone,
// or whose place is taken, is left alone and reported, and the rest is
// undone. Every step is checked again right before it is done. The undo
// writes its lines to the log (DEL for what goes to the trash, COPY from the
// trash item for what comes back) and leaves a record of its own, so that it
// can be undone in turn.
class CUndoRun
{
public:
    explicit CUndoRun(RunRecord record);

    const RunRecord& Original() const { return m_original; }
    // Works out the steps; what cannot be undone goes to LeftAlone().
    void Plan();
    const std::vector<UndoStep>& Steps() const { return m_steps; }
    const QStringList& LeftAlone() const { return m_leftAlone; }

    // The steps as the lists of the run's preview: a removal as a deletion,
    // a step from the trash as a copy from the trash item.
    SyncLists AsLists() const;
    // Keeps only the steps whose rows `lists` still holds (by path).
    void KeepOnly(const SyncLists& lists);

    // Carries out the steps. False when nothing was done because the log
    // could not be opened (`Problems` says why).
    bool Execute(const QString& logPath);
    // What failed or was left alone, in the order met.
    const QStringList& Problems() const { return m_problems; }
    int DoneCount() const { return m_done; }
    const RunRecord& Record() const { return m_record; }

private:
    void PlanCopy(const RunAction& action);
    void PlanDeletion(const RunAction& action);
    // Empty when the step can still be done; else why not.
    QString Recheck(const UndoStep& step) const;
    // Takes `step` into the plan, or leaves it alone with the reason when its item changed since the run.
    void KeepIfUnchanged(const UndoStep& step);
    bool DoStep(const UndoStep& step, RunAction* action, QString* error);

    RunRecord m_original;
    CPairRoots m_roots;
    std::vector<UndoStep> m_steps;
    QStringList m_leftAlone;
    QStringList m_problems;
    RunRecord m_record;
    int m_done = 0;
};

// The texts of an undo.
namespace UndoText {
QString NothingToUndo();
QString ChangedSinceRun(const QString& path);
QString GoneForGood(const QString& path);
QString TrashItemMissing(const QString& path, const QString& item);
QString PlaceTaken(const QString& path);
QString FolderNotEmpty(const QString& path);
// The question before an undo of `run`.
QString Question(const RunRecord& run);
// The title of the preview list of an undo.
QString PreviewTitle();
// "エクスポート", "インポート" or "元に戻す操作".
QString DirectionName(const QString& direction);
} // namespace UndoText
