#include "core/sync/CUndoRun.h"

#include "core/platform/FileCopy.h"
#include "core/platform/Paths.h"
#include "core/platform/Trash.h"
#include "core/sync/CSyncLog.h"

#include <QSet>

namespace UndoText {

QString NothingToUndo()
{
    return QStringLiteral("元に戻せる同期はありません。");
}

QString ChangedSinceRun(const QString& path)
{
    return path + QStringLiteral(": 同期の後に変更されたため、元に戻しませんでした。");
}

QString GoneForGood(const QString& path)
{
    return path + QStringLiteral(": 完全に削除されたため、元に戻せません。");
}

QString TrashItemMissing(const QString& path, const QString& item)
{
    return path + QStringLiteral(": ごみ箱の項目 %1 が見つからないため、元に戻せません。").arg(item);
}

QString PlaceTaken(const QString& path)
{
    return path + QStringLiteral(": 同じ名前の項目が既にあるため、元に戻しませんでした。");
}

QString FolderNotEmpty(const QString& path)
{
    return path + QStringLiteral(": フォルダが空ではないため、元に戻しませんでした。");
}

QString PreviewTitle()
{
    return QStringLiteral("元に戻す同期の一覧");
}

QString DirectionName(const QString& direction)
{
    if (direction == QLatin1String("export"))
        return QStringLiteral("エクスポート");
    if (direction == QLatin1String("import"))
        return QStringLiteral("インポート");
    return QStringLiteral("元に戻す操作");
}

QString Question(const RunRecord& run)
{
    return QStringLiteral("%1 に実行した%2を元に戻しますか？")
        .arg(run.time.toLocalTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")), DirectionName(run.direction));
}

} // namespace UndoText

namespace {

bool IsEmptyFolder(const RootedPath& path)
{
    std::vector<QByteArray> names;
    int error = 0;
    return ListFolderEntries(path, &names, &error) && names.empty();
}

// Whether the trash item is there, as the run left it.
bool TrashItemThere(const QString& item)
{
    return IsTrashItemPath(item) && StampOfPath(item).kind != EntryKind::Missing;
}

} // namespace

CUndoRun::CUndoRun(RunRecord record) : m_original(std::move(record)), m_roots(m_original.roots)
{
}

void CUndoRun::Plan()
{
    m_steps.clear();
    m_leftAlone.clear();
    // The copies came after the deletions: they are undone first, the last one first.
    for (auto it = m_original.actions.rbegin(); it != m_original.actions.rend(); ++it) {
        if (it->done && it->type == RunAction::Type::Copy)
            PlanCopy(*it);
    }
    for (auto it = m_original.actions.rbegin(); it != m_original.actions.rend(); ++it) {
        if (it->done && it->type == RunAction::Type::Delete)
            PlanDeletion(*it);
    }
}

void CUndoRun::PlanCopy(const RunAction& action)
{
    UndoStep step;
    step.path = action.path;
    step.expected = action.stamp;
    if (!action.replaced) {
        step.kind = UndoStep::Kind::Remove;
    } else if (action.trashedAs.isEmpty()) {
        // Taking the copy away would leave nothing: the old version is gone.
        m_leftAlone << UndoText::GoneForGood(action.path);
        return;
    } else {
        step.kind = UndoStep::Kind::SwapBack;
        step.trashItem = action.trashedAs;
    }
    KeepIfUnchanged(step);
}

void CUndoRun::KeepIfUnchanged(const UndoStep& step)
{
    const QString why = Recheck(step);
    if (why.isEmpty())
        m_steps.push_back(step);
    else
        m_leftAlone << why;
}

void CUndoRun::PlanDeletion(const RunAction& action)
{
    if (action.trashedAs.isEmpty()) {
        m_leftAlone << UndoText::GoneForGood(action.path);
        return;
    }
    UndoStep step;
    step.kind = UndoStep::Kind::PutBack;
    step.path = action.path;
    step.trashItem = action.trashedAs;
    KeepIfUnchanged(step);
}

QString CUndoRun::Recheck(const UndoStep& step) const
{
    RootedPath rooted;
    if (!m_roots.Split(step.path, &rooted))
        return UndoText::ChangedSinceRun(step.path);
    if (step.kind != UndoStep::Kind::Remove && !TrashItemThere(step.trashItem))
        return UndoText::TrashItemMissing(step.path, step.trashItem);
    const EntryStamp now = StampOf(rooted);
    if (step.kind == UndoStep::Kind::PutBack)
        return now.kind == EntryKind::Missing && now.error == 0 ? QString() : UndoText::PlaceTaken(step.path);
    if (now.kind == EntryKind::Folder && step.expected.kind == EntryKind::Folder) {
        // A folder's time moves with what goes in and out: it must still be as empty as the run made it.
        return IsEmptyFolder(rooted) ? QString() : UndoText::FolderNotEmpty(step.path);
    }
    return now == step.expected ? QString() : UndoText::ChangedSinceRun(step.path);
}

SyncLists CUndoRun::AsLists() const
{
    SyncLists lists;
    for (const UndoStep& step : m_steps) {
        if (step.kind == UndoStep::Kind::Remove) {
            lists.deletions << step.path;
        } else {
            lists.copySources << step.trashItem;
            lists.copyDestinations << step.path;
        }
    }
    return lists;
}

void CUndoRun::KeepOnly(const SyncLists& lists)
{
    const QSet<QString> deletions(lists.deletions.begin(), lists.deletions.end());
    const QSet<QString> destinations(lists.copyDestinations.begin(), lists.copyDestinations.end());
    std::vector<UndoStep> kept;
    for (const UndoStep& step : m_steps) {
        const QSet<QString>& rows = step.kind == UndoStep::Kind::Remove ? deletions : destinations;
        if (rows.contains(step.path))
            kept.push_back(step);
    }
    m_steps.swap(kept);
}

bool CUndoRun::DoStep(const UndoStep& step, RunAction* action, QString* error)
{
    RootedPath rooted;
    if (!m_roots.Split(step.path, &rooted))
        return false;
    action->path = step.path;
    action->source = step.trashItem;
    switch (step.kind) {
    case UndoStep::Kind::Remove:
        action->type = RunAction::Type::Delete;
        if (!MoveToTrash(rooted, error, &action->trashedAs))
            return false;
        action->stamp = StampOfPath(action->trashedAs);
        break;
    case UndoStep::Kind::PutBack: {
        action->type = RunAction::Type::Copy;
        // The folder that held it may have gone with the run too.
        const QString parent = GetParentFolder(step.path);
        RootedPath rootedParent;
        if (!parent.isEmpty() && m_roots.Split(parent, &rootedParent) && !CreateFolderPath(rootedParent, error))
            return false;
        if (!RestoreFromTrash(step.trashItem, rooted, false, error))
            return false;
        action->stamp = StampOf(rooted);
        break;
    }
    case UndoStep::Kind::SwapBack:
        action->type = RunAction::Type::Copy;
        action->replaced = true;
        if (!SwapWithTrash(step.trashItem, rooted, &action->trashedAs, error))
            return false;
        action->stamp = StampOf(rooted);
        break;
    }
    action->folder = action->stamp.kind == EntryKind::Folder;
    action->done = true;
    return true;
}

bool CUndoRun::Execute(const QString& logPath)
{
    m_problems = m_leftAlone;
    m_done = 0;
    m_record = RunRecord();
    const QDateTime start = CSyncLog::Now();
    CSyncLog log;
    QString message;
    if (!log.Open(logPath, start, &message)) {
        m_problems << message;
        return false;
    }
    m_record.document = m_original.document;
    m_record.node = m_original.node;
    m_record.direction = QStringLiteral("undo");
    m_record.undoes = m_original.id;
    m_record.time = start;
    m_record.logPath = log.Path();
    m_record.roots = m_original.roots;
    CFolderCache folders;
    for (const UndoStep& step : m_steps) {
        RunAction action;
        QString error = Recheck(step);
        if (error.isEmpty() && DoStep(step, &action, &error))
            ++m_done;
        else
            m_problems << error;
        if (step.kind == UndoStep::Kind::Remove)
            log.WriteDeletion(step.path);
        else
            log.WriteCopy(step.trashItem, step.path);
        if (action.done)
            m_record.actions.push_back(action);
    }
    const QString writeError = log.WriteError();
    log.Close();
    if (!writeError.isEmpty())
        m_problems << writeError;
    QString error;
    if (!RunRecords::Save(m_record, &error))
        m_problems << RunRecordText::NotSaved(error);
    return true;
}
