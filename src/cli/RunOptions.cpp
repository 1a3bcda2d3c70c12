#include "cli/RunOptions.h"

#include "cli/CliArgs.h"
#include "core/settings/CAppOptionSync.h"

namespace {

// A named option for bits of the sync options, and its opposite if it has one.
struct NamedFlag
{
    QString on;
    QString off; // empty: none
    SyncFlags mask;
    SyncFlags onValue;
    QString help;
};

constexpr SyncFlags Mode(int mode)
{
    return TransferMode::Bits(mode);
}

const std::vector<NamedFlag>& NamedFlags()
{
    static const std::vector<NamedFlag> flags{
        {QStringLiteral("--subfolders"), QStringLiteral("--no-subfolders"), SyncFlag::Recursive, SyncFlag::Recursive,
            QStringLiteral("take in the subfolders of NODE (0x1), or do not")},
        {QStringLiteral("--empty-folders"), QStringLiteral("--no-empty-folders"), SyncFlag::CopyEmptyFolders,
            SyncFlag::CopyEmptyFolders,
            QStringLiteral("also copy a folder that holds no files and is missing at the destination (0x2), or do "
                           "not")},
        {QStringLiteral("--delete-files"), QStringLiteral("--no-delete-files"), SyncFlag::DeleteFiles,
            SyncFlag::DeleteFiles,
            QStringLiteral("delete the files at the destination that are missing at the source (0x4), or do not")},
        {QStringLiteral("--delete-folders"), QStringLiteral("--no-delete-folders"), SyncFlag::DeleteFolders,
            SyncFlag::DeleteFolders,
            QStringLiteral("delete the folders at the destination that are missing at the source, with everything "
                           "in them (0x8), or do not")},
        {QStringLiteral("--newer-and-missing"), {}, SyncFlag::TransferModeMask, Mode(TransferMode::UpdatedAndAdded),
            QStringLiteral("copy the files that are newer at the source and the files missing at the destination "
                           "(transfer mode 0x00, the default)")},
        {QStringLiteral("--newer-only"), {}, SyncFlag::TransferModeMask, Mode(TransferMode::UpdatedOnly),
            QStringLiteral("copy only files that exist at the destination and are newer at the source (transfer "
                           "mode 0x10)")},
        {QStringLiteral("--missing-only"), {}, SyncFlag::TransferModeMask, Mode(TransferMode::AddedOnly),
            QStringLiteral("copy only files that are missing at the destination (transfer mode 0x20)")},
        {QStringLiteral("--trash"), QStringLiteral("--no-trash"), SyncFlag::RecycleBin, SyncFlag::RecycleBin,
            QStringLiteral("move what is deleted to the trash (0x40, on unless the settings say otherwise), or "
                           "delete it for good")},
        {QStringLiteral("--no-questions"), QStringLiteral("--questions"), SyncFlag::NoConfirmation,
            SyncFlag::NoConfirmation,
            QStringLiteral("ask nothing: replace files, create folders and delete without a question, and print no "
                           "message when there is nothing to do (0x80); or ask")},
        {QStringLiteral("--create-target"), QStringLiteral("--no-create-target"), SyncFlag::CheckFolders,
            SyncFlag::CheckFolders,
            QStringLiteral("before anything is copied, create the missing folder of every copy destination without "
                           "asking; one that cannot be created stops the run (0x100); or do not")},
    };
    return flags;
}

const QString& SyncOptionsGroup()
{
    static const QString group = QStringLiteral("sync options (a named one wins over the same bits of --flags)");
    return group;
}

CliOptions BuildOptions()
{
    CliOptions options{
        {{QStringLiteral("--plan")}, {},
            QStringLiteral("change nothing: print what the run would copy and delete, the totals first"), {}},
        {{QStringLiteral("--json")}, {},
            QStringLiteral("print the plan, or what the run did, as one JSON object with the totals"), {}},
        {{QStringLiteral("--yes")}, {},
            QStringLiteral("answer every question with Yes (Yes to all where offered); without a terminal and "
                           "without --yes, every question that offers No gets No"),
            {}},
        {{QStringLiteral("--quiet")}, {},
            QStringLiteral("no progress and no summary of the run; failures are still reported"), {}},
        {{QStringLiteral("--files")}, QStringLiteral("NAME..."),
            QStringLiteral("only these files of the node's folder (every argument up to the next option)"), {}},
        {{QStringLiteral("--log")}, QStringLiteral("PATH"), QStringLiteral("write the run's log to PATH"), {}},
        {{QStringLiteral("--allow-missing-source")}, {},
            QStringLiteral("run a project even when its source folder is missing, or empty while the destination "
                           "holds entries"),
            {}},
        {{QStringLiteral("--flags")}, QStringLiteral("HEX"),
            QStringLiteral("start from these bits of the sync options instead of the node's (hexadecimal, with or "
                           "without 0x): the bits of the options below; other bits are kept but change nothing in "
                           "a run"),
            SyncOptionsGroup()},
    };
    for (const NamedFlag& flag : NamedFlags()) {
        QStringList names{flag.on};
        if (!flag.off.isEmpty())
            names << flag.off;
        options.push_back({names, {}, flag.help, SyncOptionsGroup()});
    }
    return options;
}

} // namespace

const CliOptions& RunVerbOptions()
{
    static const CliOptions options = BuildOptions();
    return options;
}

CliVerbHelp RunVerbHelp(SyncDirection direction)
{
    const bool exporting = direction == SyncDirection::Export;
    const QString verb = exporting ? QStringLiteral("export") : QStringLiteral("import");
    const QString copies = exporting ? QStringLiteral("from the project folders to the target folders")
                                     : QStringLiteral("from the target folders to the project folders");
    return {verb + QStringLiteral(" DOC.snc [NODE] [OPTION]..."), QStringLiteral("copy and delete ") + copies,
        QStringLiteral("A synchronisation run: copies the differences %1 of NODE (the path of display names from a "
                       "top-level project down, \"Proj/sub\"), or of every project, and deletes as the sync options "
                       "say, as the window's %2 does. The options are the node's own, or those of the settings; the "
                       "options below change them for this run. The document is never written.\n\n"
                       "A project whose folder is not set, whose folders overlap, or whose source folder is missing "
                       "or looks unmounted is left out and reported; a folder that could not be read completely "
                       "gives no deletions on the other side. The log goes to the file the settings name, or, when "
                       "options change the settings' bits or --log is given, to --log or a new temporary file. "
                       "Ctrl+C stops after the current file.")
            .arg(copies, verb),
        RunVerbOptions(),
        {{ExitCode::Done, QStringLiteral("Done, or nothing to do.")},
            {ExitCode::Failure,
                QStringLiteral("Stopped because filter entries it needs could not be read from the settings.")},
            {ExitCode::BadUsage, QStringLiteral("Bad usage, a document that cannot be read, or an unknown NODE.")},
            {ExitCode::Stopped, QStringLiteral("Stopped by a No or cancelled.")},
            {ExitCode::SomeFailed,
                QStringLiteral("Some actions failed, or a project/folder was skipped (with --plan too).")}}};
}

std::vector<RunFlagChange> NamedFlagChanges(const CliArgs& args, QString* error)
{
    std::vector<RunFlagChange> changes;
    for (const NamedFlag& flag : NamedFlags()) {
        if (args.Has(flag.on))
            changes.push_back({flag.on, flag.mask, flag.onValue});
        if (!flag.off.isEmpty() && args.Has(flag.off))
            changes.push_back({flag.off, flag.mask, {}});
    }
    for (size_t i = 0; i < changes.size(); ++i) {
        for (size_t j = i + 1; j < changes.size(); ++j) {
            if ((changes[i].mask & changes[j].mask) && changes[i].value != changes[j].value) {
                *error = QStringLiteral("%1 and %2 contradict each other").arg(changes[i].option, changes[j].option);
                return {};
            }
        }
    }
    return changes;
}

SyncFlags ApplyFlagChanges(SyncFlags flags, const std::vector<RunFlagChange>& changes)
{
    for (const RunFlagChange& change : changes)
        flags = (flags & ~change.mask) | change.value;
    return flags;
}
