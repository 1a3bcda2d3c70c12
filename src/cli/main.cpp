#include "cli/CliArgs.h"
#include "cli/CliHelp.h"
#include "cli/CliVerb.h"
#include "core/platform/FileName.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

std::map<QString, const CliVerb*>& Registry()
{
    static std::map<QString, const CliVerb*> verbs;
    return verbs;
}

void Print(std::FILE* stream, const QString& text)
{
    std::fputs(text.toUtf8().constData(), stream);
}

QStringList VerbNames()
{
    QStringList names;
    for (const auto& [name, verb] : Registry())
        names << name;
    return names;
}

// The program's own options, before any verb.
int ProgramOption(const QString& option)
{
    if (option == QLatin1String("--help") || option == QLatin1String("-h")) {
        Print(stdout, ProgramHelpText());
        return ExitCode::Done;
    }
    if (option == QLatin1String("--version")) {
        PrintOut(VersionText());
        return ExitCode::Done;
    }
    return UsageError(UnknownNameText(
        QStringLiteral("option"), option, ProgramOptionNames(), QStringLiteral(" (see pairwell-cli --help)")));
}

} // namespace

CliVerb::CliVerb(const char* verbName, CliVerbHelp verbHelp, Handler verbHandler)
    : name(QString::fromUtf8(verbName)), help(std::move(verbHelp)), handler(std::move(verbHandler))
{
    Registry()[name] = this;
}

const std::map<QString, const CliVerb*>& CliVerb::All()
{
    return Registry();
}

const CliVerb* CliVerb::Find(const QString& verbName)
{
    const auto found = Registry().find(verbName);
    return found == Registry().end() ? nullptr : found->second;
}

int UnknownVerb(const QString& verbName)
{
    return UsageError(
        UnknownNameText(QStringLiteral("verb"), verbName, VerbNames(), QStringLiteral(" (see pairwell-cli --help)")));
}

void PrintOut(const QString& text)
{
    std::fputs((text + QLatin1Char('\n')).toUtf8().constData(), stdout);
}

void PrintErr(const QString& text)
{
    std::fflush(stdout);
    std::fputs((text + QLatin1Char('\n')).toUtf8().constData(), stderr);
}

int UsageError(const QString& message)
{
    PrintErr(QStringLiteral("pairwell-cli: ") + message);
    return ExitCode::BadUsage;
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // Arguments are decoded like file names, so any path given round-trips to its bytes.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << DecodeFileName(QByteArray(argv[i]));
    if (args.isEmpty()) {
        Print(stderr, ProgramHelpText());
        return ExitCode::BadUsage;
    }
    if (args.first().startsWith(QLatin1Char('-')))
        return ProgramOption(args.first());
    const QString verbName = args.takeFirst();
    const CliVerb* verb = CliVerb::Find(verbName);
    if (!verb)
        return UnknownVerb(verbName);
    if (CliArgs::AsksForHelp(args, verb->help.options)) {
        Print(stdout, VerbHelpText(*verb));
        return ExitCode::Done;
    }
    const int code = verb->handler(args);
    std::fflush(stdout);
    return code;
}
