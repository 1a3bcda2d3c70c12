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

void PrintUsage(std::FILE* stream)
{
    std::fputs("usage: pairwell-cli VERB [ARGUMENTS]\n\nverbs:\n", stream);
    for (const auto& [name, verb] : Registry())
        std::fprintf(stream, "  %s\n", verb->usage.toUtf8().constData());
}

} // namespace

CliVerb::CliVerb(const char* verbName, const char* verbUsage, Handler verbHandler)
    : name(QString::fromUtf8(verbName)), usage(QString::fromUtf8(verbUsage)), handler(std::move(verbHandler))
{
    Registry()[name] = this;
}

const std::map<QString, const CliVerb*>& CliVerb::All()
{
    return Registry();
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
    if (args.isEmpty() || args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        PrintUsage(args.isEmpty() ? stderr : stdout);
        return args.isEmpty() ? ExitCode::BadUsage : ExitCode::Done;
    }
    const QString verbName = args.takeFirst();
    const auto found = Registry().find(verbName);
    if (found == Registry().end())
        return UsageError(QStringLiteral("unknown verb '%1' (see pairwell-cli --help)").arg(verbName));
    const int code = found->second->handler(args);
    std::fflush(stdout);
    return code;
}
