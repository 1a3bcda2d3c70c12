// pairwell-cli filters [list | set NAME STORED_TEXT | remove NAME] [--json]
//
// The filter entries of the profile, in set order. "set" adds an entry from
// its stored text ('!*.bak;*.tmp') or replaces the one of that name in place;
// "remove" deletes one. Both save the whole set.
#include "cli/CliArgs.h"
#include "cli/CliVerb.h"
#include "filters/FilterSet.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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

int Filters(const QStringList& arguments)
{
    const CliArgs args(arguments, {QStringLiteral("--json")}, {});
    if (!args.Ok())
        return UsageError(QStringLiteral("filters: ") + args.Error());
    const bool json = args.Has(QStringLiteral("--json"));
    const QStringList& words = args.Positional();
    const QString action = words.isEmpty() ? QStringLiteral("list") : words.first();

    FilterSet& set = GlobalFilterSet();
    set.LoadFromRegistry();

    if (action == QLatin1String("list")) {
        if (words.size() > 1)
            return UsageError(QStringLiteral("filters list takes no arguments"));
        PrintEntries(set, json);
        return ExitCode::Done;
    }
    if (action == QLatin1String("set")) {
        if (words.size() != 3)
            return UsageError(QStringLiteral("filters set needs NAME and STORED_TEXT"));
        const QString& name = words.at(1);
        if (name.isEmpty())
            return UsageError(QStringLiteral("filters set: the name must not be empty"));
        auto entry = std::make_unique<FilterEntry>();
        entry->ParseStoredText(name, words.at(2));
        // Names are unique without regard to letter case: an existing entry is replaced in place.
        const qsizetype index = set.FindByName(name);
        if (index >= 0)
            set.at(index).CopyFrom(*entry);
        else
            set.append(std::move(entry));
        set.SaveToRegistry();
    } else if (action == QLatin1String("remove")) {
        if (words.size() != 2)
            return UsageError(QStringLiteral("filters remove needs NAME"));
        const qsizetype index = set.FindByName(words.at(1));
        if (index < 0)
            return UsageError(QStringLiteral("filters remove: no filter entry named '%1'").arg(words.at(1)));
        set.remove(index);
        set.SaveToRegistry();
    } else {
        return UsageError(QStringLiteral("filters: unknown action '%1' (list, set or remove)").arg(action));
    }
    if (json)
        PrintEntries(set, true);
    return ExitCode::Done;
}

const CliVerb kFilters("filters", "filters [list | set NAME STORED_TEXT | remove NAME] [--json]", Filters);

} // namespace
