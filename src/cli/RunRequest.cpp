#include "cli/RunRequest.h"

#include "cli/CliArgs.h"
#include "cli/CliDocument.h"
#include "cli/CliVerb.h"

namespace {

// "--files A B C --other" takes every name up to the next option.
QStringList TakeFileNames(QStringList& args, bool* given)
{
    QStringList names;
    QStringList rest;
    *given = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) != QLatin1String("--files")) {
            rest << args.at(i);
            continue;
        }
        *given = true;
        while (i + 1 < args.size() && !args.at(i + 1).startsWith(QLatin1String("--")))
            names << args.at(++i);
    }
    args = rest;
    return names;
}

std::optional<quint32> ParseHexFlags(const QString& text)
{
    bool ok = false;
    QString digits = text;
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        digits = digits.mid(2);
    const uint value = digits.toUInt(&ok, 16);
    if (!ok || digits.isEmpty())
        return std::nullopt;
    return quint32(value);
}

} // namespace

int ParseRequest(const QStringList& arguments, RunRequest& request)
{
    const QString& verb = request.verb;
    QStringList rest = arguments;
    request.files = TakeFileNames(rest, &request.filesGiven);
    const CliArgs args(rest, RunVerbOptions(), verb);
    if (!args.Ok())
        return UsageError(args.Error());
    if (args.Positional().isEmpty() || args.Positional().size() > 2)
        return UsageError(verb + QStringLiteral(" needs DOC.snc and at most one NODE"));
    if (request.filesGiven && request.files.isEmpty())
        return UsageError(verb + QStringLiteral(": --files needs at least one NAME"));
    QString contradiction;
    request.changes = NamedFlagChanges(args, &contradiction);
    if (!contradiction.isEmpty())
        return UsageError(verb + QStringLiteral(": ") + contradiction);
    if (const auto text = args.Value(QStringLiteral("--flags"))) {
        request.flags = ParseHexFlags(*text);
        if (!request.flags)
            return UsageError(verb + QStringLiteral(": --flags needs a hexadecimal number, not '%1'").arg(*text));
    }
    // Absolute, as the run record names the document.
    request.documentPath = AbsolutePath(args.Positional().at(0));
    request.nodePath = args.Positional().value(1);
    request.log = args.Value(QStringLiteral("--log"));
    request.plan = args.Has(QStringLiteral("--plan"));
    request.json = args.Has(QStringLiteral("--json"));
    request.yes = args.Has(QStringLiteral("--yes"));
    request.quiet = args.Has(QStringLiteral("--quiet"));
    request.allowMissingSource = args.Has(QStringLiteral("--allow-missing-source"));
    return ExitCode::Done;
}
