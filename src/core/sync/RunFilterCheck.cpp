#include "core/sync/RunFilterCheck.h"

#include "core/filters/FilterSet.h"
#include "core/model/CSyncProject.h"
#include "core/platform/Profile.h"
#include "core/platform/Prompt.h"
#include "core/sync/CSyncRun.h"

#include <QSet>

QStringList UnreadFiltersOfRun(const CProject& start, bool recursive)
{
    const FilterSet& filters = GlobalFilterSet();
    if (filters.IsComplete())
        return {};
    QStringList missing;
    QSet<QString> checked; // most nodes share the document's selection: each name is looked up once
    const auto check = [&](const CSyncProject& node) {
        for (const QString& name : node.GetEffectiveFilterSelection()) {
            if (checked.contains(name))
                continue;
            checked.insert(name);
            if (!filters.ContainsExactly(name))
                missing << name;
        }
    };
    const auto checkTree = [&](const CSyncProject& top) {
        check(top);
        if (recursive)
            top.ForEachDescendant(check);
    };
    if (const auto* project = dynamic_cast<const CSyncProject*>(&start)) {
        checkTree(*project);
    } else {
        for (const auto& [key, child] : start.Children())
            checkTree(*child);
    }
    return missing;
}

QString UnreadFiltersText(const QStringList& names)
{
    return QStringLiteral("設定ファイルからフィルタエントリを読み込めなかったため、同期を中止しました。\n"
                          "読み込めなかったフィルタ: %1\n設定ファイル: %2")
        .arg(names.join(QStringLiteral(", ")), CProfile::Instance().Path());
}

bool StopRunForUnreadFilters(const CProject& start, bool recursive, bool silent, SyncRunResult& result)
{
    const QStringList missing = UnreadFiltersOfRun(start, recursive);
    if (missing.isEmpty())
        return false;
    result.outcome = SyncOutcome::FiltersUnread;
    result.message = UnreadFiltersText(missing);
    if (!silent)
        CurrentPrompt().ShowMessage(result.message, PromptIcon::Error);
    return true;
}
