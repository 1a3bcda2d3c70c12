// pairwell-cli filters [list | set NAME STORED_TEXT | remove NAME] [--json]
//
// The filter entries of the profile, in set order. "set" adds an entry from
// its stored text ('!*.bak;*.tmp') or replaces the one of that name in place;
// "remove" deletes one. Both save the whole set, with the profile locked from
// the load to the save, so that a change made by another process at the same
// time is kept. Exit codes: 0 done, 1 the profile could not be written (set,
// remove) or the list may lack entries that could not be read (list), 2 bad
// usage.
#include "cli/CliArgs.h"
#include "cli/CliVerb.h"
#include "cli/ProfileReport.h"
#include "core/filters/FilterSet.h"
#include "core/platform/Profile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <optional>

namespace {

void PrintEntries(const FilterSet& set, bool json)
{
    if (json) {
        QJsonArray entries;
        for (qsizetype i = 0; i < set.size(); ++i) {
            const FilterEntry& entry = set.at(i);
            QJsonObject object;
            object.insert(QStringLiteral("name"), entry.Name);
            object.insert(QStringLiteral("exclude"), entry.Exclude);
            object.insert(QStringLiteral("masks"), QJsonArray::fromStringList(entry.GetMasks()));
            entries.append(object);
        }
        PrintOut(QString::fromUtf8(QJsonDocument(entries).toJson(QJsonDocument::Indented)).trimmed());
        return;
    }
    for (qsizetype i = 0; i < set.size(); ++i) {
        const FilterEntry& entry = set.at(i);
        const QString kind = entry.Exclude ? QStringLiteral("除外") : QStringLiteral("対象");
        PrintOut(entry.Name + u'\t' + kind + u'\t' + entry.GetMaskText());
    }
}

// Done, or the exit code of bad usage when the words do not make an action.
int CheckAction(const QString& action, const QStringList& words)
{
    if (action == QLatin1String("list"))
        return words.size() > 1 ? UsageError(QStringLiteral("filters list takes no arguments")) : ExitCode::Done;
    if (action == QLatin1String("set")) {
        if (words.size() != 3)
            return UsageError(QStringLiteral("filters set needs NAME and STORED_TEXT"));
        if (words.at(1).isEmpty())
            return UsageError(QStringLiteral("filters set: the name must not be empty"));
        return ExitCode::Done;
    }
    if (action == QLatin1String("remove"))
        return words.size() != 2 ? UsageError(QStringLiteral("filters remove needs NAME")) : ExitCode::Done;
    return UsageError(QStringLiteral("filters: unknown action '%1' (list, set or remove)").arg(action));
}

// Adds or replaces (set) or removes (remove) an entry of `set`; Done, or the
// exit code of bad usage for an entry to remove that is not there.
int ChangeEntries(FilterSet& set, const QString& action, const QStringList& words)
{
    const QString& name = words.at(1);
    const qsizetype index = set.FindByName(name);
    if (action == QLatin1String("remove")) {
        if (index < 0)
            return UsageError(QStringLiteral("filters remove: no filter entry named '%1'").arg(name));
        set.remove(index);
        return ExitCode::Done;
    }
    auto entry = std::make_unique<FilterEntry>();
    entry->ParseStoredText(name, words.at(2));
    // Names are unique without regard to letter case: an existing entry is replaced in place.
    if (index >= 0)
        set.at(index).CopyFrom(*entry);
    else
        set.append(std::move(entry));
    return ExitCode::Done;
}

const CliOptions& Options()
{
    static const CliOptions options{
        {{QStringLiteral("--json")}, {}, QStringLiteral("print the entries as JSON (after a change: the whole set)"),
            {}},
    };
    return options;
}

int Filters(const QStringList& arguments)
{
    const CliArgs args(arguments, Options(), QStringLiteral("filters"));
    if (!args.Ok())
        return UsageError(args.Error());
    const bool json = args.Has(QStringLiteral("--json"));
    const QStringList& words = args.Positional();
    const QString action = words.isEmpty() ? QStringLiteral("list") : words.first();
    if (const int code = CheckAction(action, words); code != ExitCode::Done)
        return code;
    const bool changes = action != QLatin1String("list");

    CProfile& profile = CProfile::Instance();
    // From the load to the save, no other process changes the profile.
    std::optional<CProfileLock> lock;
    if (changes)
        lock.emplace(profile);
    FilterSet& set = GlobalFilterSet();
    set.LoadFromRegistry(profile);
    const bool complete = ReportProfileDamage(profile, {FilterSet::SectionName()});
    if (!changes) {
        PrintEntries(set, json);
        return complete ? ExitCode::Done : ExitCode::Failure;
    }
    if (const int code = ChangeEntries(set, action, words); code != ExitCode::Done)
        return code;
    if (!set.SaveToRegistry(profile))
        return ReportWriteFailure(QStringLiteral("filters ") + action, profile);
    if (json)
        PrintEntries(set, true);
    return ExitCode::Done;
}

const CliVerb kFilters("filters",
    {QStringLiteral("filters [list | set NAME STORED_TEXT | remove NAME] [--json]"),
        QStringLiteral("list, add, change or remove the filter entries of the settings"),
        QStringLiteral("The filter entries of the settings, in their order. list (the default) prints each entry's "
                       "name, whether it excludes (除外) or includes (対象), and its masks. set adds an entry or "
                       "replaces the one of that name (names are compared without regard to case); STORED_TEXT is "
                       "the entry as the settings store it: the masks separated by ';', ',' or spaces, with a "
                       "leading '!' for an entry that excludes ('!*.bak;*.tmp'). remove deletes an entry."),
        Options(),
        {{ExitCode::Done, QStringLiteral("Done.")},
            {ExitCode::Failure,
                QStringLiteral("The settings could not be written, or the list may lack entries that could not be "
                               "read.")},
            {ExitCode::BadUsage, QStringLiteral("Bad usage, or no entry of that name to remove.")}}},
    Filters);

} // namespace
