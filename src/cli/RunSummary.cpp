#include "cli/RunSummary.h"

#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/platform/FileCopy.h"

#include <QLocale>

namespace {

ItemCounts MeasureEntry(const RootedPath& path)
{
    ItemCounts counts;
    const EntryInfo info = GetEntryInfo(path);
    if (info.kind != EntryKind::Folder) {
        counts.files = 1;
        counts.bytes = qint64(info.size);
        return counts;
    }
    counts.folders = 1;
    // Without recursion: a folder may be thousands of levels deep.
    std::vector<RootedPath> pending{path};
    while (!pending.empty()) {
        const RootedPath folder = std::move(pending.back());
        pending.pop_back();
        std::vector<QByteArray> names;
        int error = 0;
        if (!ListFolderEntries(folder, &names, &error))
            continue;
        for (const QByteArray& name : names) {
            const RootedPath child = folder.Child(name);
            const EntryInfo childInfo = GetEntryInfo(child);
            if (childInfo.kind == EntryKind::Folder) {
                pending.push_back(child);
                continue;
            }
            ++counts.filesInFolders;
            counts.bytes += qint64(childInfo.size);
        }
    }
    return counts;
}

QString Number(qint64 n)
{
    static const QLocale english(QLocale::English);
    return english.toString(n);
}

QString Plural(qint64 n, const QString& one)
{
    return Number(n) + QLatin1Char(' ') + (n == 1 ? one : one + QLatin1Char('s'));
}

QString Bytes(qint64 bytes)
{
    if (bytes < 1024)
        return bytes == 1 ? QStringLiteral("1 byte") : Number(bytes) + QStringLiteral(" bytes");
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeIecFormat);
}

// "2 files and 1 folder with 3 files in it (1.2 KiB)".
QString Quantity(const ItemCounts& counts)
{
    QStringList parts;
    if (counts.files > 0)
        parts << Plural(counts.files, QStringLiteral("file"));
    if (counts.folders > 0) {
        QString folders = Plural(counts.folders, QStringLiteral("folder"));
        if (counts.filesInFolders > 0) {
            folders += QStringLiteral(" with ") + Plural(counts.filesInFolders, QStringLiteral("file"))
                + (counts.folders == 1 ? QStringLiteral(" in it") : QStringLiteral(" in them"));
        }
        parts << folders;
    }
    QString text = parts.join(QStringLiteral(" and "));
    if (counts.files + counts.filesInFolders > 0)
        text += QStringLiteral(" (") + Bytes(counts.bytes) + QLatin1Char(')');
    return text;
}

QString SourceFolders(SyncDirection direction)
{
    return direction == SyncDirection::Export ? QStringLiteral("the project folders")
                                              : QStringLiteral("the target folders");
}

QString DestinationFolders(SyncDirection direction)
{
    return direction == SyncDirection::Export ? QStringLiteral("the target folders")
                                              : QStringLiteral("the project folders");
}

// "; 1 failed, 2 skipped" for what did not happen, or nothing.
QString Shortfall(const ListOutcome& outcome)
{
    QStringList parts;
    if (outcome.failed > 0)
        parts << Number(outcome.failed) + QStringLiteral(" failed");
    if (outcome.skipped > 0)
        parts << Number(outcome.skipped) + QStringLiteral(" skipped");
    if (outcome.notDone > 0)
        parts << Number(outcome.notDone) + QStringLiteral(" not done");
    return parts.isEmpty() ? QString() : QStringLiteral("; ") + parts.join(QStringLiteral(", "));
}

QJsonObject CountsJson(const ItemCounts& counts)
{
    return {{QStringLiteral("files"), counts.files}, {QStringLiteral("folders"), counts.folders},
        {QStringLiteral("filesInFolders"), counts.filesInFolders}, {QStringLiteral("bytes"), counts.bytes}};
}

QJsonObject OutcomeJson(const ListOutcome& outcome)
{
    return {{QStringLiteral("items"), qint64(outcome.items)}, {QStringLiteral("done"), CountsJson(outcome.done)},
        {QStringLiteral("failed"), qint64(outcome.failed)}, {QStringLiteral("skipped"), qint64(outcome.skipped)},
        {QStringLiteral("notDone"), qint64(outcome.notDone)}};
}

} // namespace

void ItemCounts::Add(const ItemCounts& other)
{
    files += other.files;
    folders += other.folders;
    filesInFolders += other.filesInFolders;
    bytes += other.bytes;
}

CPairRoots DocumentRoots(const CMyDoc& doc)
{
    CPairRoots roots;
    for (const auto& [key, project] : doc.GetRoot().Children()) {
        roots.Add(project->GetFolder(0));
        roots.Add(project->GetFolder(1));
    }
    return roots;
}

std::vector<ItemCounts> MeasureItems(const QStringList& paths, const CPairRoots& roots)
{
    CFolderCache folders; // each folder opened once, from its parent
    std::vector<ItemCounts> counts;
    counts.reserve(size_t(paths.size()));
    for (const QString& path : paths) {
        RootedPath rooted;
        if (!roots.Split(path, &rooted) && !SplitAtParent(path, &rooted)) {
            counts.push_back({1, 0, 0, 0}); // not a path the run could reach either
            continue;
        }
        counts.push_back(MeasureEntry(rooted));
    }
    return counts;
}

ItemCounts Total(const std::vector<ItemCounts>& items)
{
    ItemCounts total;
    for (const ItemCounts& item : items)
        total.Add(item);
    return total;
}

QStringList PlanLines(const PlanTotals& plan)
{
    if (plan.copies.IsEmpty() && plan.deletions.IsEmpty())
        return {QStringLiteral("Nothing to copy or delete.")};
    QStringList lines;
    if (!plan.copies.IsEmpty()) {
        lines << QStringLiteral("Would copy %1 from %2 to %3.")
                     .arg(Quantity(plan.copies), SourceFolders(plan.direction), DestinationFolders(plan.direction));
    }
    if (!plan.deletions.IsEmpty()) {
        const QString format = plan.toTrash ? QStringLiteral("Would move %1 from %2 to the trash.")
                                            : QStringLiteral("Would delete %1 from %2 for good.");
        lines << format.arg(Quantity(plan.deletions), DestinationFolders(plan.direction));
    }
    return lines;
}

QJsonObject PlanJson(const PlanTotals& plan)
{
    QJsonObject deletions = CountsJson(plan.deletions);
    deletions.insert(QStringLiteral("trash"), plan.toTrash);
    return {{QStringLiteral("copy"), CountsJson(plan.copies)}, {QStringLiteral("delete"), deletions}};
}

ListOutcome OutcomeOf(const FileOpResult& result, qsizetype planned, const std::vector<ItemCounts>& measured)
{
    ListOutcome outcome;
    outcome.items = planned;
    // Items the operation never reached, because the run stopped before it.
    outcome.notDone = std::max<qsizetype>(0, planned - qsizetype(result.items.size()));
    for (size_t i = 0; i < result.items.size(); ++i) {
        switch (result.items[i].status) {
        case FileOpStatus::Done:
            outcome.done.Add(i < measured.size() ? measured[i] : ItemCounts{1, 0, 0, 0});
            break;
        case FileOpStatus::Failed:
            ++outcome.failed;
            break;
        case FileOpStatus::Skipped:
            ++outcome.skipped;
            break;
        case FileOpStatus::NotRun:
            ++outcome.notDone;
            break;
        }
    }
    return outcome;
}

QStringList RunLines(const RunTotals& run)
{
    QStringList lines;
    const QString source = SourceFolders(run.direction);
    const QString destination = DestinationFolders(run.direction);
    if (run.copies.items > 0) {
        const ListOutcome& c = run.copies;
        const QString what = c.done.IsEmpty() ? QStringLiteral("nothing") : Quantity(c.done);
        lines << QStringLiteral("Copied %1 from %2 to %3%4.").arg(what, source, destination, Shortfall(c));
    }
    if (run.deletions.items > 0) {
        const ListOutcome& d = run.deletions;
        const QString what = d.done.IsEmpty() ? QStringLiteral("nothing") : Quantity(d.done);
        lines << (run.toTrash ? QStringLiteral("Moved %1 from %2 to the trash%3.")
                              : QStringLiteral("Deleted %1 from %2 for good%3."))
                     .arg(what, destination, Shortfall(d));
    }
    if (!run.logPath.isEmpty())
        lines << QStringLiteral("Log: ") + run.logPath;
    return lines;
}

QJsonObject RunJson(const RunTotals& run)
{
    QJsonObject deletions = OutcomeJson(run.deletions);
    deletions.insert(QStringLiteral("trash"), run.toTrash);
    return {{QStringLiteral("copy"), OutcomeJson(run.copies)}, {QStringLiteral("delete"), deletions}};
}

QString OutcomeName(SyncOutcome outcome)
{
    switch (outcome) {
    case SyncOutcome::Executed:
        return QStringLiteral("executed");
    case SyncOutcome::NothingToDo:
        return QStringLiteral("nothingToDo");
    case SyncOutcome::PreviewStopped:
        return QStringLiteral("previewStopped");
    case SyncOutcome::Declined:
        return QStringLiteral("declined");
    case SyncOutcome::LogFailed:
        return QStringLiteral("logFailed");
    case SyncOutcome::FolderFailed:
        return QStringLiteral("folderFailed");
    case SyncOutcome::FiltersUnread:
        return QStringLiteral("filtersUnread");
    }
    return {};
}
