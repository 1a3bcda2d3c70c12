// pairwell-cli add DOC.snc PROJECT_DIR [TARGET_DIR] [--no-subfolders] [--yes]
//
// Adds a project as the create-project dialog does: the project folder must
// exist; a missing target folder is created (one level) after the question,
// which --yes answers and which is answered No when stdin is not a terminal.
// A project whose folder name is already registered, or whose folders are one
// or lie one inside the other, is refused. The document is saved.
//
// The folders are stored as the absolute paths the system reaches: a relative
// argument starts from the working directory, and every link on the way is
// followed where it stands ("lnk/../proj" is the "proj" beside the link's
// target). A folder that is itself a link stays a link (it is followed each
// time the project is used), and a target folder still to be created is
// stored where it will be created.
//
// Exit codes: 0 added, 1 the target folder could not be created or the
// document not saved, 2 bad usage, unreadable document, invalid project or
// target folder, overlapping folders or a name already registered, 3 the
// target folder was not to be created.
#include "cli/CliArgs.h"
#include "cli/CliDocument.h"
#include "cli/CliVerb.h"
#include "cli/TerminalPrompt.h"
#include "core/model/CMyDoc.h"
#include "core/model/ProjectCreation.h"
#include "core/platform/PathResolution.h"

namespace {

const CliOptions& Options()
{
    static const CliOptions options{
        {{QStringLiteral("--no-subfolders")}, {},
            QStringLiteral("the project covers its folder only, not its subfolders"), {}},
        {{QStringLiteral("--yes")}, {},
            QStringLiteral("create a missing target folder without asking (without a terminal and without --yes, "
                           "it is not created)"),
            {}},
    };
    return options;
}

int Add(const QStringList& arguments)
{
    const CliArgs args(arguments, Options(), QStringLiteral("add"));
    if (!args.Ok())
        return UsageError(args.Error());
    const QStringList& words = args.Positional();
    if (words.size() < 2 || words.size() > 3)
        return UsageError(QStringLiteral("add needs DOC.snc PROJECT_DIR [TARGET_DIR]"));

    CTerminalPrompt prompt(args.Has(QStringLiteral("--yes")));
    CPromptScope scope(prompt);
    LoadSettingsForRescan();
    const QString documentPath = AbsolutePath(words.at(0));
    CMyDoc doc;
    if (!OpenDocumentForChange(doc, documentPath))
        return ExitCode::BadUsage;

    const NewProjectValues values{ResolvePath(words.at(1), true), ResolvePath(words.value(2), true),
        !args.Has(QStringLiteral("--no-subfolders"))};
    NewProjectCheck check = NewProjectCheck::Ok;
    if (!ValidateNewProject(values, &check)) {
        switch (check) {
        case NewProjectCheck::TargetDeclined:
            PrintErr(QStringLiteral("pairwell-cli: add: the target folder was not created (--yes creates it)"));
            return ExitCode::Stopped;
        case NewProjectCheck::TargetNotCreated:
            return ExitCode::Failure;
        default:
            return ExitCode::BadUsage;
        }
    }
    if (!CreateProject(doc.GetRoot(), values))
        return ExitCode::BadUsage;
    doc.SetModifiedFlag(true);
    return SaveDocumentOrReport(doc, documentPath) ? ExitCode::Done : ExitCode::Failure;
}

const CliVerb kVerb("add",
    {QStringLiteral("add DOC.snc PROJECT_DIR [TARGET_DIR] [--no-subfolders] [--yes]"),
        QStringLiteral("add a project (a folder pair) to a document"),
        QStringLiteral("Adds a project as the window's project creation does, and saves the document. The project "
                       "folder must exist; a missing target folder is created (one level) after a question. A "
                       "project whose folder name is already a project of the document, or whose folders are one "
                       "or lie one inside the other, is refused."),
        Options(),
        {{ExitCode::Done, QStringLiteral("Added.")},
            {ExitCode::Failure, QStringLiteral("The target folder could not be created, or the document not saved.")},
            {ExitCode::BadUsage,
                QStringLiteral("Bad usage, a document that cannot be read, a project folder that is not a folder, "
                               "overlapping folders, or a name that is taken.")},
            {ExitCode::Stopped, QStringLiteral("The target folder was not to be created.")}}},
    Add);

} // namespace
