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

int New(const QStringList& arguments)
{
    const CliArgs args(arguments, {QStringLiteral("--force")}, {});
    if (!args.Ok())
        return UsageError(QStringLiteral("new: ") + args.Error());
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

const CliVerb kVerb("new", "new DOC.snc [--force]", New);

} // namespace
