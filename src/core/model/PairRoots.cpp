#include "core/model/PairRoots.h"

#include "core/model/CSyncProject.h"

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

// Whether `folder` is `top` or lies below it.
bool IsAtOrBelow(const QString& folder, const QString& top)
{
    if (top.isEmpty() || !folder.startsWith(top))
        return false;
    return folder.size() == top.size() || top.endsWith(QLatin1Char('/')) || folder.at(top.size()) == QLatin1Char('/');
}

} // namespace

QString RootFolderOf(const CSyncProject& node, int side)
{
    // Mostly the top-level project's folder, which every folder below it derives from.
    const CSyncProject* top = &node;
    while (const auto* parent = dynamic_cast<const CSyncProject*>(top->GetParent()))
        top = parent;
    const QString topFolder = top->GetFolder(side);
    if (top == &node || IsAtOrBelow(node.GetFolder(side), topFolder))
        return topFolder;
    // A folder set elsewhere by the user: the highest node it derives from.
    const CSyncProject* current = &node;
    while (const auto* parent = dynamic_cast<const CSyncProject*>(current->GetParent())) {
        if (!IsDirectlyIn(current->GetFolder(side), parent->GetFolder(side)))
            break;
        current = parent;
    }
    return current->GetFolder(side);
}

QString ChildRootFolder(
    const QString& folder, const QString& parentFolder, const QString& parentRoot, const QString& projectFolder)
{
    // As RootFolderOf: below the project's folder, that folder; else the walk
    // up goes on through the parent only where the folder lies directly in it.
    if (IsAtOrBelow(folder, projectFolder))
        return projectFolder;
    return IsDirectlyIn(folder, parentFolder) ? parentRoot : folder;
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
        for (const QString& root : RootFoldersOf(*node)) {
            if (!roots.contains(root))
                roots << root;
        }
        for (const auto& entry : node->Children())
            pending.push_back(entry.second.get());
    }
    return roots;
}
