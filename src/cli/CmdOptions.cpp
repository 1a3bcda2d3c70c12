// pairwell-cli options [show | set NAME VALUE] [--json]
//
// The three option records as the program loads them, or one value changed
// through the record's Load, the change and its Save (so the record's other
// values and every unused bit are written back as they were).
#include "cli/CliArgs.h"
#include "cli/CliVerb.h"
#include "shell/CAppOptionDisp.h"
#include "shell/CAppOptionSync.h"
#include "shell/CAppOptionTool.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <optional>

namespace {

QString Hex(quint32 flags)
{
    return QStringLiteral("0x") + QString::number(flags, 16).toUpper().rightJustified(8, u'0');
}

// Decimal or 0x-hexadecimal, 0 to 0xFFFFFFFF.
std::optional<quint32> ParseFlags(const QString& text)
{
    bool ok = false;
    qulonglong value = 0;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = text.mid(2).toULongLong(&ok, 16);
    else if (!text.isEmpty() && text.front().isDigit())
        value = text.toULongLong(&ok, 10);
    if (!ok || value > 0xFFFFFFFFull)
        return std::nullopt;
    return static_cast<quint32>(value);
}

void Print(const CAppOptionDisp& disp, const CAppOptionSync& sync, const CAppOptionTool& tool, bool json)
{
    if (json) {
        const QJsonObject result{
            {QStringLiteral("OptionDisp"),
                QJsonObject{{QStringLiteral("Flags"), static_cast<qint64>(disp.Flags)},
                    {QStringLiteral("HelpFilePath"), disp.HelpFilePath}}},
            {QStringLiteral("OptionSync"),
                QJsonObject{{QStringLiteral("Flags"), static_cast<qint64>(sync.Flags)},
                    {QStringLiteral("LogFilePath"), sync.LogFilePath}}},
            {QStringLiteral("OptionTool"),
                QJsonObject{{QStringLiteral("PathToolCompareText"), tool.PathToolCompareText},
                    {QStringLiteral("PathToolCompareBin"), tool.PathToolCompareBin}}},
        };
        PrintOut(QString::fromUtf8(QJsonDocument(result).toJson(QJsonDocument::Indented)).trimmed());
        return;
    }
    PrintOut(QStringLiteral("OptionDisp.Flags = ") + Hex(disp.Flags));
    PrintOut(QStringLiteral("OptionDisp.HelpFilePath = ") + disp.HelpFilePath);
    PrintOut(QStringLiteral("OptionSync.Flags = ") + Hex(sync.Flags));
    PrintOut(QStringLiteral("OptionSync.LogFilePath = ") + sync.LogFilePath);
    PrintOut(QStringLiteral("OptionTool.PathToolCompareText = ") + tool.PathToolCompareText);
    PrintOut(QStringLiteral("OptionTool.PathToolCompareBin = ") + tool.PathToolCompareBin);
}

int Options(const QStringList& arguments)
{
    const CliArgs args(arguments, {QStringLiteral("--json")}, {});
    if (!args.Ok())
        return UsageError(QStringLiteral("options: ") + args.Error());
    const bool json = args.Has(QStringLiteral("--json"));
    const QStringList& words = args.Positional();
    const QString action = words.isEmpty() ? QStringLiteral("show") : words.first();

    CAppOptionDisp& disp = GlobalOptionDisp();
    CAppOptionSync& sync = GlobalOptionSync();
    CAppOptionTool& tool = GlobalOptionTool();
    disp.Load();
    sync.Load();
    tool.Load();

    if (action == QLatin1String("show")) {
        if (words.size() > 1)
            return UsageError(QStringLiteral("options show takes no arguments"));
        Print(disp, sync, tool, json);
        return ExitCode::Done;
    }
    if (action != QLatin1String("set"))
        return UsageError(QStringLiteral("options: unknown action '%1' (show or set)").arg(action));
    if (words.size() != 3)
        return UsageError(QStringLiteral("options set needs NAME and VALUE"));
    const QString& name = words.at(1);
    const QString& value = words.at(2);

    if (name == QLatin1String("OptionDisp.Flags") || name == QLatin1String("OptionSync.Flags")) {
        const std::optional<quint32> flags = ParseFlags(value);
        if (!flags)
            return UsageError(QStringLiteral("options set: '%1' is not a number from 0 to 0xFFFFFFFF").arg(value));
        if (name.startsWith(QLatin1String("OptionDisp."))) {
            disp.Flags = *flags;
            disp.Save();
        } else {
            sync.Flags = *flags;
            sync.Save();
        }
    } else if (name == QLatin1String("OptionDisp.HelpFilePath")) {
        disp.HelpFilePath = value;
        disp.Save();
    } else if (name == QLatin1String("OptionSync.LogFilePath")) {
        sync.LogFilePath = value;
        sync.Save();
    } else if (name == QLatin1String("OptionTool.PathToolCompareText")) {
        tool.PathToolCompareText = value;
        tool.Save();
    } else if (name == QLatin1String("OptionTool.PathToolCompareBin")) {
        tool.PathToolCompareBin = value;
        tool.Save();
    } else {
        return UsageError(QStringLiteral("options set: unknown option '%1'").arg(name));
    }
    if (json)
        Print(disp, sync, tool, true);
    return ExitCode::Done;
}

const CliVerb kOptions("options", "options [show | set NAME VALUE] [--json]", Options);

} // namespace
