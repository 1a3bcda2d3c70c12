#include "model/PairRoots.h"

#include "model/CSyncProject.h"

#include <vector>

namespace {

// Whether `folder` is `parent` joined with one more component.
bool IsDirectlyIn(const QString& folder, const QString& parent)
{
    if (parent.isEmpty())
        return false;
    // The index of the "/" before the last component.
    const qsizetype slash = parent.endsWith(QLatin1Char('/')) ? parent.size() - 1 : parent.size();
    return folder.size() > slash + 1 && folder.lastIndexOf(QLatin1Char('/')) == slash
        && QStringView(folder).left(slash) == QStringView(parent).left(slash);
}

} // namespace

QString RootFolderOf(const CSyncProject& node, int side)
{
    const CSyncProject* current = &node;
    while (const auto* parent = dynamic_cast<const CSyncProject*>(current->GetParent())) {
        if (!IsDirectlyIn(current->GetFolder(side), parent->GetFolder(side)))
            break;
        current = parent;
    }
    return current->GetFolder(side);
}

QStringList RootFoldersOf(const CSyncProject& node)
{
    QStringList roots;
    for (int side = 0; side < 2; ++side) {
        const QString root = RootFolderOf(node, side);
        if (!root.isEmpty())
            roots << root;
    }
    return roots;
}

QStringList RootFoldersBelow(const CProject& top)
{
    QStringList roots;
    std::vector<const CSyncProject*> pending;
    for (const auto& entry : top.Children())
        pending.push_back(entry.second.get());
    while (!pending.empty()) {
        const CSyncProject* node = pending.back();
        pending.pop_back();
        for (int side = 0; side < 2; ++side) {
            // A node whose folder is not directly in its parent's is a root.
            const auto* parent = dynamic_cast<const CSyncProject*>(node->GetParent());
            const QString folder = node->GetFolder(side);
            if (!folder.isEmpty() && (!parent || !IsDirectlyIn(folder, parent->GetFolder(side)))
                && !roots.contains(folder))
                roots << folder;
        }
        for (const auto& entry : node->Children())
            pending.push_back(entry.second.get());
    }
    return roots;
}
