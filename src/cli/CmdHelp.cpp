// pairwell-cli help [VERB]
//
// The program's help, or a verb's: the same text as `VERB --help`.
#include "cli/CliArgs.h"
#include "cli/CliHelp.h"
#include "cli/CliVerb.h"

#include <cstdio>

namespace {

int Help(const QStringList& arguments)
{
    const CliArgs args(arguments, {}, QStringLiteral("help"));
    if (!args.Ok())
        return UsageError(args.Error());
    if (args.Positional().size() > 1)
        return UsageError(QStringLiteral("help takes at most one VERB"));
    if (args.Positional().isEmpty()) {
        std::fputs(ProgramHelpText().toUtf8().constData(), stdout);
        return ExitCode::Done;
    }
    const CliVerb* verb = CliVerb::Find(args.Positional().first());
    if (!verb)
        return UnknownVerb(args.Positional().first());
    std::fputs(VerbHelpText(*verb).toUtf8().constData(), stdout);
    return ExitCode::Done;
}

const CliVerb kVerb("help",
    {QStringLiteral("help [VERB]"), QStringLiteral("print the usage, options and exit codes of VERB"),
        QStringLiteral("Prints the usage of VERB with its options and exit codes, the same text as \"pairwell-cli "
                       "VERB --help\"; without VERB, the list of verbs."),
        {}, {{ExitCode::Done, QStringLiteral("Done.")}, {ExitCode::BadUsage, QStringLiteral("An unknown VERB.")}}},
    Help);

} // namespace
