#include "core/model/NodePath.h"

#include "core/model/CSyncProject.h"

#include <QStringList>
#include <vector>

CProject* FindNodeByDisplayPath(CProject& root, const QString& path)
{
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    // Depth-first over the ways of grouping the components into names; each
    // state is (node, index of its first unused component).
    std::vector<std::pair<CProject*, qsizetype>> pending{{&root, 0}};
    while (!pending.empty()) {
        const auto [node, first] = pending.back();
        pending.pop_back();
        if (first == parts.size())
            return node;
        // Longer groupings are pushed first, so the shortest is tried first.
        for (qsizetype last = parts.size(); last > first; --last) {
            const QString name = QStringList(parts.mid(first, last - first)).join(QLatin1Char('/'));
            if (CSyncProject* child = node->FindChild(name))
                pending.emplace_back(child, last);
        }
    }
    return nullptr;
}

QString DisplayPathOf(const CSyncProject& node)
{
    QStringList names;
    for (const CProject* at = &node; at && at->GetParent(); at = at->GetParent())
        names.prepend(at->GetDisplayName());
    return names.join(QLatin1Char('/'));
}
