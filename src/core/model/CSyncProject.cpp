#include "core/model/CSyncProject.h"

#include "core/engine/Keys.h"
#include "core/filters/FilterSet.h"
#include "core/model/CMyDoc.h"
#include "core/model/PairRoots.h"
#include "core/platform/Finder.h"
#include "core/platform/Paths.h"

#include <QHash>
#include <algorithm>

namespace {

// A subfolder's path on one side. A side without a folder (an empty target
// folder) stays without one below, instead of becoming a path relative to
// wherever the program happens to run.
QString SubfolderPath(const QString& folder, const QString& name)
{
    return folder.isEmpty() ? QString() : JoinPath(folder, name);
}

} // namespace

CSyncProject::CSyncProject(CProject* parent) : CProject(parent)
{
}

bool CSyncProject::Refresh(bool recursive)
{
    Rescan();
    return CProject::Refresh(recursive);
}

bool CSyncProject::RefreshSubtree(RescanControl* control)
{
    if (control && control->cancel.load(std::memory_order_relaxed))
        return false;
    Rescan();
    if (control) {
        control->folders.fetch_add(1, std::memory_order_relaxed);
        control->files.fetch_add(m_status.Count(), std::memory_order_relaxed);
    }
    return RefreshChildren(control);
}

void CSyncProject::Rescan()
{
    const QString roots[2] = {RootFolderOf(*this, 0), RootFolderOf(*this, 1)};
    RescanAlone(roots);
}

// One enumeration per side feeds both the file records and the subfolder
// nodes. The file records and the folders found pair across the sides as
// PairNames says: the same name, else the single case variant.
void CSyncProject::RescanAlone(const QString (&roots)[2])
{
    if (IsNoSubfolderSearch())
        DeleteChildren();
    m_status.Clear();
    for (const auto& entry : Children())
        entry.second->SetMark(0);

    bool enumerated[2] = {false, false};
    bool skippedFiles = false;
    QStringList subfolders[2];
    m_status.SetRoots(roots[0], roots[1]);
    for (int side = 0; side < 2; ++side) {
        const QString folder = m_status.GetFolder(side);
        // A folder that cannot be opened is unreachable for this purpose (the
        // open itself tests that the path is a directory we may read).
        const std::unique_ptr<CFileFind> finder = CreateFinder(folder);
        if (!finder)
            continue;
        if (!finder->Open(folder, roots[side])) {
            m_status.NoteEnumeration(side, *finder, false);
            continue;
        }
        enumerated[side] = true;
        m_status.ExpectFound(finder->FilesReadAhead());
        const SyncFlags options = GetEffectiveSyncOptions().Flags;
        const bool skipHiddenFiles = options & SyncFlag::SkipHiddenFiles;
        const bool skipHiddenFolders = options & SyncFlag::SkipHiddenFolders;
        while (finder->Next()) {
            if (!finder->IsDirectory()) {
                if ((skipHiddenFiles && finder->IsHidden()) || IsNoSync()) {
                    skippedFiles = true;
                    continue;
                }
                m_status.AddFound(side, *finder);
                continue;
            }
            if (IsNoSubfolderSearch() || (skipHiddenFolders && finder->IsHidden()))
                continue;
            subfolders[side] << finder->GetFileName();
        }
        m_status.NoteEnumeration(side, *finder, true);
    }

    m_status.FinishScan();
    // Records that left no file out serve as the folder's scan for a caller
    // that asks for the states right after this rescan (GetRescannedFolderState).
    if (!skippedFiles)
        m_status.MarkAllFilesRecorded(enumerated);
    UpdateSubfolders(subfolders);

    // Subfolders found on neither side disappear, with their settings; not
    // while a side could not be read, where a missing folder proves nothing.
    if (m_status.IsReadIncomplete())
        return;
    std::vector<const CSyncProject*> vanished;
    for (const auto& entry : Children()) {
        if (entry.second->GetMark() == 0)
            vanished.push_back(entry.second.get());
    }
    for (const CSyncProject* node : vanished)
        RemoveChild(node);
    RestorePlainKeys();
}

void CSyncProject::QueueFolders(CFolderReadAhead& readAhead, const QString (&roots)[2]) const
{
    for (int side = 0; side < 2; ++side)
        readAhead.Queue(m_status.GetFolder(side), roots[side]);
}

namespace {

// One subfolder as the two sides spell it: the name on a side where the
// folder exists, else the other side's name (the path it would have there).
struct FoundFolder
{
    QString name[2];
    bool exists[2] = {false, false};
};

std::vector<FoundFolder> PairFolders(const QStringList (&found)[2])
{
    std::vector<FoundFolder> folders;
    for (const NamePair& pair : PairNames(found[0], found[1])) {
        FoundFolder folder;
        for (int side = 0; side < 2; ++side) {
            folder.exists[side] = pair.index[side] >= 0;
            if (folder.exists[side])
                folder.name[side] = found[side].at(pair.index[side]);
        }
        for (int side = 0; side < 2; ++side) {
            if (!folder.exists[side])
                folder.name[side] = folder.name[1 - side];
        }
        folders.push_back(folder);
    }
    // Which of two new spellings gets the plain key must not depend on the enumeration's order.
    std::stable_sort(folders.begin(), folders.end(),
        [](const FoundFolder& a, const FoundFolder& b) { return a.name[0] < b.name[0]; });
    return folders;
}

// Gives each folder found (index-aligned) the unclaimed child whose folder
// has exactly its name on a side, the project side first. The rescan marked
// every child 0; a child that takes a folder is marked 1.
void MatchBySameName(
    const CProject::ChildMap& children, const std::vector<FoundFolder>& folders, std::vector<CSyncProject*>& matched)
{
    for (int side = 0; side < 2; ++side) {
        QHash<QString, size_t> byName;
        for (size_t i = 0; i < folders.size(); ++i) {
            if (folders[i].exists[side] && !matched[i])
                byName.insert(folders[i].name[side], i);
        }
        if (byName.isEmpty())
            continue;
        for (const auto& [key, child] : children) {
            if (child->GetMark() != 0)
                continue;
            const auto found = byName.constFind(GetLastComponent(child->GetFolder(side)));
            if (found == byName.cend() || matched[*found])
                continue;
            matched[*found] = child.get();
            child->SetMark(1);
        }
    }
}

// Gives a folder still without a node the one unclaimed child whose name
// differs from it only in letter case, where it is the one such folder: a
// folder renamed in letter case keeps its node and settings.
void MatchByCaseVariant(
    const CProject::ChildMap& children, const std::vector<FoundFolder>& folders, std::vector<CSyncProject*>& matched)
{
    struct Variants
    {
        size_t folder = 0;
        CSyncProject* child = nullptr;
        int folders = 0;
        int children = 0;
    };
    QHash<QString, Variants> byKey;
    for (size_t i = 0; i < folders.size(); ++i) {
        if (matched[i])
            continue;
        Variants& variants = byKey[MakeKey(folders[i].name[0])];
        variants.folder = i;
        ++variants.folders;
    }
    if (byKey.isEmpty())
        return;
    for (const auto& [key, child] : children) {
        if (child->GetMark() != 0)
            continue;
        const auto found = byKey.find(MakeKey(child->GetDisplayName()));
        if (found != byKey.end()) {
            found->child = child.get();
            ++found->children;
        }
    }
    for (const Variants& variants : std::as_const(byKey)) {
        if (variants.folders == 1 && variants.children == 1) {
            matched[variants.folder] = variants.child;
            variants.child->SetMark(1);
        }
    }
}

} // namespace

void CSyncProject::UpdateSubfolders(const QStringList (&found)[2])
{
    const std::vector<FoundFolder> folders = PairFolders(found);
    std::vector<CSyncProject*> matched(folders.size(), nullptr);
    if (!Children().empty()) {
        MatchBySameName(Children(), folders, matched);
        MatchByCaseVariant(Children(), folders, matched);
    }
    const bool filterFolders = GetEffectiveSyncOptions().Flags & SyncFlag::FilterFolders;
    for (size_t i = 0; i < folders.size(); ++i) {
        const QString(&name)[2] = folders[i].name;
        CSyncProject* child = matched[i];
        if (!child) {
            auto created = std::make_unique<CSyncProject>(this);
            created->SetFolders(SubfolderPath(GetFolder(0), name[0]), SubfolderPath(GetFolder(1), name[1]));
            created->m_flags |= NodeFlag::Changed;
            child = &AddChild(std::move(created));
        } else {
            for (int side = 0; side < 2; ++side)
                child->FollowSpelling(side, GetFolder(side), name[side]);
        }
        if (filterFolders && (IsExcludedByFilter(name[0]) || (name[1] != name[0] && IsExcludedByFilter(name[1])))) {
            child->SetNoSync(true);
            child->SetNoSubfolderSearch(true);
        }
        child->SetMark(1);
    }
}

// A node's folders pair as the names found pair: on each side the folder is
// reached under the spelling that side holds (or, where it holds none, under
// the other side's). A node whose path on `side` was built from another
// spelling of its name takes the new one, and so do the paths below it.
void CSyncProject::FollowSpelling(int side, const QString& parentFolder, const QString& name)
{
    const QString current = m_status.GetFolder(side);
    if (current.endsWith(name)
        && (current.size() == name.size() || current.at(current.size() - name.size() - 1) == QLatin1Char('/')))
        return;
    const QString derivedFrom = GetLastComponent(current);
    if (MakeKey(derivedFrom) != MakeKey(name) || JoinPath(parentFolder, derivedFrom) != current)
        return; // not a path built from this folder's name: left as it is
    const QString renamed = JoinPath(parentFolder, name);
    const auto follow = [&](CSyncProject& node) {
        QString folders[2] = {node.GetFolder(0), node.GetFolder(1)};
        QString& path = folders[side];
        if (path == current)
            path = renamed;
        else if (path.startsWith(current) && path.at(current.size()) == QLatin1Char('/'))
            path = renamed + path.mid(current.size());
        else
            return;
        node.m_status.SetPaths(folders[0], folders[1]);
    };
    follow(*this);
    ForEachDescendant(follow);
}

QString CSyncProject::GetDisplayName() const
{
    return m_name.isEmpty() ? GetLastComponent(GetFolder(0)) : m_name;
}

QString CSyncProject::GetKey() const
{
    return MakeKey(GetDisplayName());
}

bool CSyncProject::IsChanged() const
{
    return HasFlag(NodeFlag::Changed)
        || AnyDescendant([](const CSyncProject& node) { return node.HasFlag(NodeFlag::Changed); });
}

void CSyncProject::SetChanged(bool changed)
{
    if (changed)
        m_flags |= NodeFlag::Changed;
    else
        m_flags &= ~NodeFlag::Changed;
}

bool CSyncProject::SetFolders(const QString& project, const QString& target)
{
    DeleteChildren();
    m_status.SetPaths(project, target);
    return true;
}

void CSyncProject::SetNoSync(bool on)
{
    if (IsNoSync() == on)
        return;
    m_flags ^= NodeFlag::NoSync;
    SetChanged(true);
}

void CSyncProject::SetNoSubfolderSearch(bool on)
{
    if (IsNoSubfolderSearch() == on)
        return;
    m_flags ^= NodeFlag::NoSubfolderSearch;
    SetChanged(true);
}

void CSyncProject::SetNoSubfolderSearchBit(bool on)
{
    if (on)
        m_flags |= NodeFlag::NoSubfolderSearch;
    else
        m_flags &= ~NodeFlag::NoSubfolderSearch;
}

const CAppOptionSync& CSyncProject::GetEffectiveSyncOptions() const
{
    return HasFlag(NodeFlag::OwnSyncOptions) ? m_ownOptions : GlobalOptionSync();
}

QStringList CSyncProject::GetEffectiveFilterSelection() const
{
    if (HasFlag(NodeFlag::OwnFilter))
        return m_ownFilters;
    return m_document ? m_document->GetCommonFilterSelection() : QStringList();
}

bool CSyncProject::IsExcludedByFilter(const QString& name) const
{
    return GlobalFilterSet().IsExcluded(name, GetEffectiveFilterSelection());
}

SyncState CSyncProject::GetFolderState(bool scan)
{
    m_status.SetRoots(RootFolderOf(*this, 0), RootFolderOf(*this, 1));
    return m_status.ComputeFolderState(scan, GlobalFilterSet(), GetEffectiveFilterSelection());
}

SyncState CSyncProject::GetRescannedFolderState()
{
    m_status.SetRoots(RootFolderOf(*this, 0), RootFolderOf(*this, 1));
    return m_status.ComputeRecordedFolderState(GlobalFilterSet(), GetEffectiveFilterSelection());
}

void CSyncProject::ApplyFilterSettingHere(bool useCommon, const QStringList& selection)
{
    if (useCommon)
        m_flags &= ~NodeFlag::OwnFilter;
    else
        m_flags |= NodeFlag::OwnFilter;
    m_ownFilters = useCommon ? QStringList() : selection;
}

void CSyncProject::ApplyFilterSetting(bool useCommon, const QStringList& selection, bool subtree)
{
    ApplyFilterSettingHere(useCommon, selection);
    if (subtree)
        ForEachDescendant([&](CSyncProject& node) { node.ApplyFilterSettingHere(useCommon, selection); });
}

void CSyncProject::ApplySyncOptionsHere(bool useCommon, const CAppOptionSync& options)
{
    if (useCommon) {
        m_flags &= ~NodeFlag::OwnSyncOptions;
    } else {
        m_flags |= NodeFlag::OwnSyncOptions;
        m_ownOptions.CopyFlagsFrom(options);
    }
}

void CSyncProject::ApplySyncOptions(bool useCommon, const CAppOptionSync& options, bool subtree)
{
    // A copy, in case `options` are this node's own options.
    const CAppOptionSync source = options;
    ApplySyncOptionsHere(useCommon, source);
    if (subtree)
        ForEachDescendant([&](CSyncProject& node) { node.ApplySyncOptionsHere(useCommon, source); });
}
