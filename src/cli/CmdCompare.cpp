// pairwell-cli compare PROJECT_DIR TARGET_DIR [--select NAME]… [--json]
//
// The file table of one folder pair: every file directly in the two folders
// with its state, sizes, times and attributes, then the folder's state under
// the profile's filter entries and the given selection.
#include "cli/CliArgs.h"
#include "cli/CliVerb.h"
#include "core/engine/CDirSyncStatus.h"
#include "core/filters/FilterSet.h"
#include "core/platform/FileName.h"
#include "core/platform/Paths.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

namespace {

const char* const kStateNames[] = {"SyncNone", "SyncSame", "SyncSameWithinTolerance", "SyncProjectNewer",
    "SyncTargetNewer", "SyncProjectOnly", "SyncTargetOnly", "SyncSizeDiffers", "SyncMixed", "SyncNeitherExists"};

// Lines are written with the bytes of the names, so that a name that is not
// valid UTF-8 appears exactly as it is on disk.
void WriteLine(const QString& line)
{
    const QByteArray bytes = EncodeFileName(line) + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
}

QString SideText(const CFileSyncStatus& record, int side, QString (*text)(const CFileEntry&))
{
    return record.Exists(side) ? text(record.Entry(side)) : QStringLiteral("-");
}

QJsonArray Pair(const QJsonValue& project, const QJsonValue& target)
{
    return QJsonArray{project, target};
}

const CliOptions& Options()
{
    static const CliOptions options{
        {{QStringLiteral("--select")}, QStringLiteral("NAME"),
            QStringLiteral("take the filter entry NAME of the settings into account (repeat it for more than one)"),
            {}},
        {{QStringLiteral("--json")}, {}, QStringLiteral("print one JSON object instead of the tab-separated table"),
            {}},
    };
    return options;
}

int Compare(const QStringList& arguments)
{
    const CliArgs args(arguments, Options(), QStringLiteral("compare"));
    if (!args.Ok())
        return UsageError(args.Error());
    if (args.Positional().size() != 2)
        return UsageError(QStringLiteral("compare needs PROJECT_DIR and TARGET_DIR"));
    const QString project = args.Positional().at(0);
    const QString target = args.Positional().at(1);
    const QStringList selection = args.Values(QStringLiteral("--select"));

    FilterSet& filters = GlobalFilterSet();
    filters.LoadFromRegistry();

    CDirSyncStatus table(project, target);
    const SyncState folderState = table.ComputeFolderState(true, filters, selection);
    // The folder state scans only when both folders exist; list what there is anyway.
    if (folderState == SyncProjectOnly || folderState == SyncTargetOnly || folderState == SyncNeitherExists)
        table.ScanFiles();
    const std::vector<const CFileSyncStatus*> records = std::as_const(table).SortedRecords();

    if (args.Has(QStringLiteral("--json"))) {
        QJsonArray files;
        for (const CFileSyncStatus* record : records) {
            const CFileEntry& p = record->Entry(0);
            const CFileEntry& t = record->Entry(1);
            QJsonObject file;
            file.insert(QStringLiteral("name"), record->GetName());
            file.insert(QStringLiteral("state"), static_cast<int>(record->GetState()));
            file.insert(QStringLiteral("excluded"), filters.IsExcluded(record->GetName(), selection));
            file.insert(QStringLiteral("exists"), Pair(record->Exists(0), record->Exists(1)));
            file.insert(QStringLiteral("size"), Pair(static_cast<qint64>(p.Size), static_cast<qint64>(t.Size)));
            file.insert(QStringLiteral("mtime"), Pair(p.LastWriteTime, t.LastWriteTime));
            file.insert(QStringLiteral("attr"), Pair(p.GetAttributeText(), t.GetAttributeText()));
            files.append(file);
        }
        QJsonObject result;
        result.insert(QStringLiteral("project"), project);
        result.insert(QStringLiteral("target"), target);
        result.insert(QStringLiteral("reachable"), Pair(table.Reachable[0], table.Reachable[1]));
        result.insert(QStringLiteral("folderState"), static_cast<int>(folderState));
        result.insert(QStringLiteral("files"), files);
        PrintOut(QString::fromUtf8(QJsonDocument(result).toJson(QJsonDocument::Indented)).trimmed());
        return ExitCode::Done;
    }

    const auto reachability
        = [&](int side) { return table.Reachable[side] ? QString() : QStringLiteral("  (not reachable)"); };
    WriteLine(QStringLiteral("project: ") + project + reachability(0));
    WriteLine(QStringLiteral("target:  ") + target + reachability(1));
    WriteLine(QStringLiteral("name\tstate\tproject size\ttarget size\tproject time\ttarget time\tproject attr\ttarget "
                             "attr\texcluded"));
    for (const CFileSyncStatus* record : records) {
        const bool excluded = filters.IsExcluded(record->GetName(), selection);
        const QStringList columns{
            record->GetName(),
            GetFileStateText(record->GetState()),
            SideText(*record, 0, [](const CFileEntry& e) { return QString::number(e.Size); }),
            SideText(*record, 1, [](const CFileEntry& e) { return QString::number(e.Size); }),
            SideText(*record, 0, [](const CFileEntry& e) { return FormatDateTime(e.LastWriteTime); }),
            SideText(*record, 1, [](const CFileEntry& e) { return FormatDateTime(e.LastWriteTime); }),
            SideText(*record, 0, [](const CFileEntry& e) { return e.GetAttributeText(); }),
            SideText(*record, 1, [](const CFileEntry& e) { return e.GetAttributeText(); }),
            excluded ? QStringLiteral("対象外") : QString(),
        };
        WriteLine(columns.join(u'\t'));
    }
    WriteLine(QStringLiteral("folder state: %1 %2")
                  .arg(static_cast<int>(folderState))
                  .arg(QLatin1String(kStateNames[folderState])));
    std::fflush(stdout);
    return ExitCode::Done;
}

const CliVerb kCompare("compare",
    {QStringLiteral("compare PROJECT_DIR TARGET_DIR [--select NAME]... [--json]"),
        QStringLiteral("list every file of two folders with its state"),
        QStringLiteral("Lists every file directly in the two folders with its state, its sizes, modification times "
                       "and attributes on both sides, and whether the filter entries exclude it, then the state of "
                       "the folder pair."),
        Options(), {{ExitCode::Done, QStringLiteral("Done.")}, {ExitCode::BadUsage, QStringLiteral("Bad usage.")}}},
    Compare);

} // namespace
