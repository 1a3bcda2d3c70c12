// pairwell-cli set DOC.snc [NODE] [--common-filters NAME,...]
//                  [--filters NAME,... | --filters common] [--subtree]
//                  [--no-sync on|off] [--no-subfolders on|off] [--name TEXT]
//
// Changes settings as the property sheet, the filter pages and the tree
// view's switches do, then saves the document. NODE is the path of display
// names from the top-level project down ("Proj/sub").
//   --common-filters  the document's common filter selection ("" for none)
//   --filters         the node's own selection, or "common" to use the common one;
//                     with --subtree every node below gets the same setting
//   --no-sync         "このフォルダを同期しない"
//   --no-subfolders   "サブフォルダを検索しない" (the node is rescanned)
//   --name            the display name of a top-level project ("" for the folder's
//                     name); it becomes the project's key, which no other project
//                     may have
//
// Exit codes: 0 saved, 1 the document could not be saved, 2 bad usage,
// unreadable document, unknown node or a name already registered.
#include "cli/CliArgs.h"
#include "cli/CliDocument.h"
#include "cli/CliVerb.h"
#include "cli/TerminalPrompt.h"
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/model/NodePath.h"
#include "core/model/ProjectCreation.h"

#include <optional>

namespace {

QStringList SplitNames(const QString& text)
{
    return text.split(QLatin1Char(','), Qt::SkipEmptyParts);
}

// "on" / "off"; anything else is none.
std::optional<bool> Switch(const QString& text)
{
    if (text == QLatin1String("on"))
        return true;
    if (text == QLatin1String("off"))
        return false;
    return std::nullopt;
}

const CliOptions& Options()
{
    static const CliOptions options{
        {{QStringLiteral("--common-filters")}, QStringLiteral("NAME,..."),
            QStringLiteral("the document's common filter selection (an empty value selects none)"), {}},
        {{QStringLiteral("--filters")}, QStringLiteral("NAME,...|common"),
            QStringLiteral("the node's own filter selection, or common to use the document's common one"), {}},
        {{QStringLiteral("--subtree")}, {},
            QStringLiteral("with --filters: give every node below NODE the same setting"), {}},
        {{QStringLiteral("--no-sync")}, QStringLiteral("on|off"),
            QStringLiteral("exclude the node from synchronisation (このフォルダを同期しない), or include it again"),
            {}},
        {{QStringLiteral("--no-subfolders")}, QStringLiteral("on|off"),
            QStringLiteral("do not search the node's subfolders (サブフォルダを検索しない), or search them again; the "
                           "node is scanned again"),
            {}},
        {{QStringLiteral("--name")}, QStringLiteral("TEXT"),
            QStringLiteral("the display name of a top-level project (an empty value goes back to the folder's "
                           "name); no other project may have it"),
            {}},
    };
    return options;
}

int Set(const QStringList& arguments)
{
    const QString commonOption = QStringLiteral("--common-filters");
    const QString filtersOption = QStringLiteral("--filters");
    const QString noSyncOption = QStringLiteral("--no-sync");
    const QString noSubfoldersOption = QStringLiteral("--no-subfolders");
    const QString nameOption = QStringLiteral("--name");
    const CliArgs args(arguments, Options(), QStringLiteral("set"));
    if (!args.Ok())
        return UsageError(args.Error());
    const QStringList& words = args.Positional();
    if (words.isEmpty() || words.size() > 2)
        return UsageError(QStringLiteral("set needs DOC.snc [NODE]"));
    const auto common = args.Value(commonOption);
    const auto filters = args.Value(filtersOption);
    const auto name = args.Value(nameOption);
    std::optional<bool> noSync;
    std::optional<bool> noSubfolders;
    if (const auto text = args.Value(noSyncOption); text && !(noSync = Switch(*text)))
        return UsageError(QStringLiteral("set: --no-sync takes on or off"));
    if (const auto text = args.Value(noSubfoldersOption); text && !(noSubfolders = Switch(*text)))
        return UsageError(QStringLiteral("set: --no-subfolders takes on or off"));
    const bool subtree = args.Has(QStringLiteral("--subtree"));
    const bool nodeChange = filters || noSync || noSubfolders || name;
    if (!common && !nodeChange)
        return UsageError(QStringLiteral("set: nothing to change"));
    if (subtree && !filters)
        return UsageError(QStringLiteral("set: --subtree goes with --filters"));
    if (nodeChange && words.size() < 2)
        return UsageError(QStringLiteral("set: a NODE is needed for the node's settings"));

    CTerminalPrompt prompt(false);
    CPromptScope scope(prompt);
    LoadSettingsForRescan();
    const QString documentPath = AbsolutePath(words.at(0));
    CMyDoc doc;
    if (!OpenDocumentForChange(doc, documentPath))
        return ExitCode::BadUsage;

    CSyncProject* node = nullptr;
    if (words.size() == 2) {
        node = dynamic_cast<CSyncProject*>(FindNodeByDisplayPath(doc.GetRoot(), words.at(1)));
        if (!node)
            return UsageError(QStringLiteral("set: no node '%1' in %2").arg(words.at(1), documentPath));
    }

    if (common)
        doc.SetCommonFilterSelection(SplitNames(*common));
    if (name) {
        if (node->GetParent() != &doc.GetRoot())
            return UsageError(QStringLiteral("set: --name applies to top-level projects only"));
        // The folder page with only the display name edited.
        ProjectSheetValues values = ReadProjectSheet(*node);
        values.customName = !name->isEmpty();
        values.displayName = name->isEmpty() ? values.displayName : *name;
        if (ApplyProjectSheet(*node, values) != SheetResult::Applied)
            return ExitCode::BadUsage; // the reason was shown
    }
    if (filters) {
        const bool useCommon = *filters == QLatin1String("common");
        node->ApplyFilterSetting(useCommon, useCommon ? QStringList() : SplitNames(*filters), subtree);
    }
    if (noSync)
        node->SetNoSync(*noSync);
    if (noSubfolders) {
        node->SetNoSubfolderSearch(*noSubfolders);
        node->Refresh(true);
    }
    doc.SetModifiedFlag(true);
    return SaveDocumentOrReport(doc, documentPath) ? ExitCode::Done : ExitCode::Failure;
}

const CliVerb kVerb("set",
    {QStringLiteral("set DOC.snc [NODE] [OPTION]..."), QStringLiteral("change the settings of a document or a node"),
        QStringLiteral("Changes settings as the window's property pages and switches do, then saves the document. "
                       "NODE is the path of display names from a top-level project down (\"Proj/sub\"); every "
                       "option but --common-filters needs one."),
        Options(),
        {{ExitCode::Done, QStringLiteral("Saved.")},
            {ExitCode::Failure, QStringLiteral("The document could not be saved.")},
            {ExitCode::BadUsage,
                QStringLiteral("Bad usage, a document that cannot be read, an unknown NODE, or a name that is "
                               "taken.")}}},
    Set);

} // namespace
