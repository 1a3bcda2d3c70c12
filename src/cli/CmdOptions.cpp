// pairwell-cli options [show | set NAME VALUE] [--json]
//
// The three option records as the program loads them, or one value changed
// through the record's Load, the change and its Save (so the record's other
// values and every unused bit are written back as they were). The profile is
// locked from the load to the save, so that a change made by another process
// at the same time is kept. Exit codes: 0 done, 1 the profile could not be
// written (set) or the options shown may lack values that could not be read
// (show), 2 bad usage.
#include "cli/CliArgs.h"
#include "cli/CliVerb.h"
#include "cli/ProfileReport.h"
#include "core/platform/Profile.h"
#include "core/settings/CAppOptionDisp.h"
#include "core/settings/CAppOptionSync.h"
#include "core/settings/CAppOptionTool.h"

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
                QJsonObject{{QStringLiteral("Flags"), static_cast<qint64>(disp.Flags.toInt())},
                    {QStringLiteral("HelpFilePath"), disp.HelpFilePath}}},
            {QStringLiteral("OptionSync"),
                QJsonObject{{QStringLiteral("Flags"), static_cast<qint64>(sync.Flags.toInt())},
                    {QStringLiteral("LogFilePath"), sync.LogFilePath},
                    {QStringLiteral("TrashReplaced"), sync.TrashReplaced}}},
            {QStringLiteral("OptionTool"),
                QJsonObject{{QStringLiteral("PathToolCompareText"), tool.PathToolCompareText},
                    {QStringLiteral("PathToolCompareBin"), tool.PathToolCompareBin}}},
        };
        PrintOut(QString::fromUtf8(QJsonDocument(result).toJson(QJsonDocument::Indented)).trimmed());
        return;
    }
    PrintOut(QStringLiteral("OptionDisp.Flags = ") + Hex(disp.Flags.toInt()));
    PrintOut(QStringLiteral("OptionDisp.HelpFilePath = ") + disp.HelpFilePath);
    PrintOut(QStringLiteral("OptionSync.Flags = ") + Hex(sync.Flags.toInt()));
    PrintOut(QStringLiteral("OptionSync.LogFilePath = ") + sync.LogFilePath);
    PrintOut(QStringLiteral("OptionSync.TrashReplaced = ") + QString::number(sync.TrashReplaced ? 1 : 0));
    PrintOut(QStringLiteral("OptionTool.PathToolCompareText = ") + tool.PathToolCompareText);
    PrintOut(QStringLiteral("OptionTool.PathToolCompareBin = ") + tool.PathToolCompareBin);
}

const QStringList& OptionNames()
{
    static const QStringList names{QStringLiteral("OptionDisp.Flags"), QStringLiteral("OptionDisp.HelpFilePath"),
        QStringLiteral("OptionSync.Flags"), QStringLiteral("OptionSync.LogFilePath"),
        QStringLiteral("OptionSync.TrashReplaced"), QStringLiteral("OptionTool.PathToolCompareText"),
        QStringLiteral("OptionTool.PathToolCompareBin")};
    return names;
}

// Done, or the exit code of bad usage when `name` or `value` cannot be set.
int CheckOption(const QString& name, const QString& value)
{
    if (!OptionNames().contains(name))
        return UsageError(QStringLiteral("options set: ")
            + UnknownNameText(QStringLiteral("option"), name, OptionNames(),
                QStringLiteral(" (one of %1)").arg(OptionNames().join(QStringLiteral(", ")))));
    if (name.endsWith(QLatin1String(".Flags")) && !ParseFlags(value))
        return UsageError(QStringLiteral("options set: '%1' is not a number from 0 to 0xFFFFFFFF").arg(value));
    if (name == QLatin1String("OptionSync.TrashReplaced") && value != u'0' && value != u'1')
        return UsageError(QStringLiteral("options set: OptionSync.TrashReplaced is 0 or 1, not '%1'").arg(value));
    return ExitCode::Done;
}

// Sets a checked option in its loaded record and saves the record; false when it could not be saved.
bool SetOption(const QString& name, const QString& value)
{
    CAppOptionDisp& disp = GlobalOptionDisp();
    CAppOptionSync& sync = GlobalOptionSync();
    CAppOptionTool& tool = GlobalOptionTool();
    if (name == QLatin1String("OptionDisp.Flags"))
        disp.Flags = DispFlags::fromInt(*ParseFlags(value));
    else if (name == QLatin1String("OptionDisp.HelpFilePath"))
        disp.HelpFilePath = value;
    else if (name == QLatin1String("OptionSync.Flags"))
        sync.Flags = SyncFlags::fromInt(*ParseFlags(value));
    else if (name == QLatin1String("OptionSync.LogFilePath"))
        sync.LogFilePath = value;
    else if (name == QLatin1String("OptionSync.TrashReplaced"))
        sync.TrashReplaced = value == u'1';
    else if (name == QLatin1String("OptionTool.PathToolCompareText"))
        tool.PathToolCompareText = value;
    else
        tool.PathToolCompareBin = value;
    if (name.startsWith(QLatin1String("OptionDisp.")))
        return disp.Save();
    if (name.startsWith(QLatin1String("OptionSync.")))
        return sync.Save();
    return tool.Save();
}

const CliOptions& Switches()
{
    static const CliOptions options{
        {{QStringLiteral("--json")}, {}, QStringLiteral("print the options as one JSON object"), {}},
    };
    return options;
}

int Options(const QStringList& arguments)
{
    const CliArgs args(arguments, Switches(), QStringLiteral("options"));
    if (!args.Ok())
        return UsageError(args.Error());
    const bool json = args.Has(QStringLiteral("--json"));
    const QStringList& words = args.Positional();
    const QString action = words.isEmpty() ? QStringLiteral("show") : words.first();
    const bool set = action == QLatin1String("set");
    if (!set && action != QLatin1String("show"))
        return UsageError(QStringLiteral("options: unknown action '%1' (show or set)").arg(action));
    if (!set && words.size() > 1)
        return UsageError(QStringLiteral("options show takes no arguments"));
    if (set && words.size() != 3)
        return UsageError(QStringLiteral("options set needs NAME and VALUE"));
    if (set) {
        if (const int code = CheckOption(words.at(1), words.at(2)); code != ExitCode::Done)
            return code;
    }

    CProfile& profile = CProfile::Instance();
    // From the load to the save, no other process changes the profile.
    std::optional<CProfileLock> lock;
    if (set)
        lock.emplace(profile);
    GlobalOptionDisp().Load();
    GlobalOptionSync().Load();
    GlobalOptionTool().Load();
    const bool complete = ReportProfileDamage(
        profile, {CAppOptionDisp::SectionName(), CAppOptionSync::SectionName(), CAppOptionTool::SectionName()});
    if (!set) {
        Print(GlobalOptionDisp(), GlobalOptionSync(), GlobalOptionTool(), json);
        return complete ? ExitCode::Done : ExitCode::Failure;
    }
    if (!SetOption(words.at(1), words.at(2)))
        return ReportWriteFailure(QStringLiteral("options set"), profile);
    if (json)
        Print(GlobalOptionDisp(), GlobalOptionSync(), GlobalOptionTool(), true);
    return ExitCode::Done;
}

const CliVerb kOptions("options",
    {QStringLiteral("options [show | set NAME VALUE] [--json]"),
        QStringLiteral("show the options of the settings, or change one"),
        QStringLiteral("The options of the settings, or one of them changed. NAME is one of OptionDisp.Flags, "
                       "OptionDisp.HelpFilePath, OptionSync.Flags, OptionSync.LogFilePath, "
                       "OptionSync.TrashReplaced, OptionTool.PathToolCompareText and OptionTool.PathToolCompareBin; "
                       "flags take a decimal number or a 0x-hexadecimal one from 0 to 0xFFFFFFFF (OptionSync.Flags "
                       "has the bits of the --flags of export and import); OptionSync.TrashReplaced is 1 when a file "
                       "that a run replaces goes to the trash first, else 0."),
        Switches(),
        {{ExitCode::Done, QStringLiteral("Done.")},
            {ExitCode::Failure,
                QStringLiteral("The settings could not be written, or the options shown may lack values that could "
                               "not be read.")},
            {ExitCode::BadUsage, QStringLiteral("Bad usage.")}}},
    Options);

} // namespace
