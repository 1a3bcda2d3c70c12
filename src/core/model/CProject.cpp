#include "core/model/CProject.h"

#include "core/engine/Keys.h"
#include "core/model/CSyncProject.h"
#include "core/model/PairRoots.h"
#include "core/platform/Finder.h"

#include <algorithm>
#include <deque>
#include <vector>

CProject::CProject() = default;

CProject::CProject(CProject* parent) : m_parent(parent), m_document(parent ? parent->m_document : nullptr)
{
}

// Destroys the subtree level by level, so that a deep tree cannot exhaust the
// stack: every node is emptied of its children before it is destroyed.
CProject::~CProject()
{
    std::vector<std::unique_ptr<CSyncProject>> doomed;
    for (auto& entry : m_children)
        doomed.push_back(std::move(entry.second));
    m_children.clear();
    while (!doomed.empty()) {
        std::unique_ptr<CSyncProject> node = std::move(doomed.back());
        doomed.pop_back();
        CProject& base = *node;
        for (auto& entry : base.m_children)
            doomed.push_back(std::move(entry.second));
        base.m_children.clear();
    }
}

bool CProject::Refresh(bool recursive)
{
    if (!recursive)
        return false;
    RefreshChildren(nullptr);
    return true;
}

bool CProject::RefreshChildren(RescanControl* control)
{
    // Parents before children, level by level: each node's rescan decides
    // which children exist before they are visited, and the folders of the
    // nodes waiting are read ahead in the order they are visited.
    struct Pending
    {
        CSyncProject* node;
        QString roots[2];
    };
    std::deque<Pending> pending;
    // A second thread reads the folders of the next few nodes while this one
    // is rescanned; each folder is still enumerated once.
    CFolderReadAhead readAhead;
    const auto pushChildren = [&pending, &readAhead](CProject& parent) {
        for (const auto& entry : parent.m_children) {
            CSyncProject& child = *entry.second;
            child.m_document = parent.m_document;
            Pending& next = pending.emplace_back(Pending{&child, {}});
            for (int side = 0; side < 2; ++side)
                next.roots[side] = RootFolderOf(child, side);
            child.QueueFolders(readAhead, next.roots);
        }
    };
    pushChildren(*this);
    while (!pending.empty()) {
        if (control && control->cancel.load(std::memory_order_relaxed))
            return false;
        const Pending next = std::move(pending.front());
        pending.pop_front();
        next.node->RescanAlone(next.roots);
        if (control) {
            control->folders.fetch_add(1, std::memory_order_relaxed);
            control->files.fetch_add(next.node->FolderStatus().Count(), std::memory_order_relaxed);
        }
        pushChildren(*next.node);
    }
    return true;
}

QString CProject::GetDisplayName() const
{
    return m_name;
}

QString CProject::GetKey() const
{
    return MakeKey(m_name);
}

bool CProject::IsChanged() const
{
    return false;
}

void CProject::SetChanged(bool)
{
}

void CProject::SetName(const QString& name)
{
    m_name = name.isNull() ? QString(QLatin1String("")) : name;
}

namespace {

const QLatin1String kVariantMark("<case:");

bool IsVariantKey(const QString& key)
{
    return key.contains(kVariantMark);
}

} // namespace

CSyncProject* CProject::FindChild(const QString& name) const
{
    // Nearly always the child stored under the name's plain key, shown under exactly that name.
    const auto plain = m_children.find(MakeKey(name));
    if (plain != m_children.end() && plain->second->GetDisplayName() == name)
        return plain->second.get();
    CSyncProject* variant = nullptr;
    int variants = 0;
    for (const auto& [key, child] : m_children) {
        const QString shown = child->GetDisplayName();
        if (shown == name)
            return child.get();
        if (SameKey(shown, name)) {
            variant = child.get();
            ++variants;
        }
    }
    return variants == 1 ? variant : nullptr;
}

QString CProject::FreeKeyFor(const CSyncProject& child, const QString& wanted) const
{
    if (m_children.find(wanted) == m_children.end())
        return wanted;
    const QString shown = child.GetDisplayName();
    const QString variant = MakeKey(shown) + kVariantMark + shown + QLatin1Char('>');
    QString key = variant;
    for (int number = 2; m_children.find(key) != m_children.end(); ++number)
        key = variant + QLatin1Char('#') + QString::number(number);
    return key;
}

CSyncProject& CProject::AddChild(std::unique_ptr<CSyncProject> child)
{
    const QString key = child->GetKey();
    return AddChild(std::move(child), key);
}

CSyncProject& CProject::AddChild(std::unique_ptr<CSyncProject> child, const QString& key)
{
    CSyncProject& stored = *child;
    CProject& base = stored;
    base.m_parent = this;
    base.m_document = m_document;
    m_children.emplace(FreeKeyFor(stored, key), std::move(child));
    return stored;
}

void CProject::RestorePlainKeys()
{
    std::vector<QString> variants;
    for (const auto& [key, child] : m_children) {
        if (IsVariantKey(key))
            variants.push_back(key);
    }
    // In key order: of two spellings waiting for one plain key, the first takes it.
    for (const QString& key : variants) {
        const QString plain = m_children.at(key)->GetKey();
        if (m_children.find(plain) != m_children.end())
            continue;
        auto handle = m_children.extract(key);
        handle.key() = plain;
        m_children.insert(std::move(handle));
    }
}

std::unique_ptr<CSyncProject> CProject::DetachChild(const QString& key)
{
    const auto found = m_children.find(key);
    if (found == m_children.end())
        return nullptr;
    std::unique_ptr<CSyncProject> child = std::move(found->second);
    m_children.erase(found);
    static_cast<CProject&>(*child).m_parent = nullptr;
    return child;
}

bool CProject::RemoveChild(const CSyncProject* child)
{
    if (!child)
        return false;
    // Only the node itself is ever destroyed: if another node is stored under
    // its key (its name changed without re-keying), the node is looked for by address.
    auto found = m_children.find(child->GetKey());
    if (found == m_children.end() || found->second.get() != child) {
        found = std::find_if(
            m_children.begin(), m_children.end(), [child](const auto& entry) { return entry.second.get() == child; });
        if (found == m_children.end())
            return false;
    }
    std::unique_ptr<CSyncProject> doomed = std::move(found->second);
    m_children.erase(found);
    return true;
}

void CProject::DeleteChildren()
{
    ChildMap doomed;
    doomed.swap(m_children);
}

CProject::ChildMap CProject::TakeChildren()
{
    ChildMap taken;
    taken.swap(m_children);
    return taken;
}

void CProject::ForEachDescendant(const std::function<void(CSyncProject&)>& visit) const
{
    std::vector<CSyncProject*> pending;
    const auto pushChildren = [&pending](const CProject& parent) {
        for (auto it = parent.m_children.rbegin(); it != parent.m_children.rend(); ++it)
            pending.push_back(it->second.get());
    };
    pushChildren(*this);
    while (!pending.empty()) {
        CSyncProject* node = pending.back();
        pending.pop_back();
        visit(*node);
        pushChildren(*node);
    }
}

bool CProject::AnyDescendant(const std::function<bool(const CSyncProject&)>& test) const
{
    std::vector<const CSyncProject*> pending;
    for (const auto& entry : m_children)
        pending.push_back(entry.second.get());
    while (!pending.empty()) {
        const CSyncProject* node = pending.back();
        pending.pop_back();
        if (test(*node))
            return true;
        for (const auto& entry : static_cast<const CProject&>(*node).m_children)
            pending.push_back(entry.second.get());
    }
    return false;
}

bool CProject::Holds(const CProject* node) const
{
    return node && (node == this || AnyDescendant([node](const CSyncProject& at) { return &at == node; }));
}
