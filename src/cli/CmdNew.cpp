// pairwell-cli new DOC.snc [--force]
//
// Writes an empty document: no projects, an empty common filter selection
// (8 bytes). An existing file is replaced only with --force.
#include "cli/CliArgs.h"
#include "cli/CliDocument.h"
#include "cli/CliVerb.h"
#include "cli/TerminalPrompt.h"
#include "core/model/CMyDoc.h"
#include "core/platform/FileSystem.h"

namespace {

const CliOptions& Options()
{
    static const CliOptions options{
        {{QStringLiteral("--force")}, {}, QStringLiteral("replace an existing file"), {}},
    };
    return options;
}

int New(const QStringList& arguments)
{
    const CliArgs args(arguments, Options(), QStringLiteral("new"));
    if (!args.Ok())
        return UsageError(args.Error());
    if (args.Positional().size() != 1)
        return UsageError(QStringLiteral("new needs DOC.snc"));
    const QString path = AbsolutePath(args.Positional().first());
    CTerminalPrompt prompt(false);
    CPromptScope scope(prompt);
    CMyDoc doc;
    if (!args.Has(QStringLiteral("--force"))) {
        if (PathExists(path))
            return UsageError(QStringLiteral("new: %1 exists (--force replaces it)").arg(path));
    } else if (!LockDocumentOrReport(doc, path)) {
        return ExitCode::Failure;
    }
    doc.OnNewDocument();
    return SaveDocumentOrReport(doc, path) ? ExitCode::Done : ExitCode::Failure;
}

const CliVerb kVerb("new",
    {QStringLiteral("new DOC.snc [--force]"), QStringLiteral("write an empty document"),
        QStringLiteral("Writes an empty document: no projects and no common filter selection. An existing file is "
                       "replaced only with --force."),
        Options(),
        {{ExitCode::Done, QStringLiteral("Written.")},
            {ExitCode::Failure, QStringLiteral("The document could not be written.")},
            {ExitCode::BadUsage, QStringLiteral("Bad usage, or the file exists (without --force).")}}},
    New);

} // namespace
