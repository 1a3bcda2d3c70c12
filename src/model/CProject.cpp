#include "model/CProject.h"

#include "engine/Keys.h"
#include "model/CSyncProject.h"
#include "model/PairRoots.h"
#include "platform/Finder.h"

#include <algorithm>
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
    // Parents before children, as a recursive descent would go: each node's
    // rescan decides which children exist before they are visited.
    std::vector<CSyncProject*> pending;
    const auto pushChildren = [&pending](CProject& parent) {
        for (auto it = parent.m_children.rbegin(); it != parent.m_children.rend(); ++it) {
            it->second->m_document = parent.m_document;
            pending.push_back(it->second.get());
        }
    };
    pushChildren(*this);
    // A second thread reads the folders of the next few nodes while this one
    // is rescanned; each folder is still enumerated once.
    CFolderReadAhead readAhead;
    const auto expectNext = [&readAhead, &pending] {
        constexpr size_t kNodesAhead = 6;
        QStringList folders;
        QStringList roots;
        for (size_t i = 0; i < kNodesAhead && i < pending.size(); ++i) {
            const CSyncProject& next = *pending[pending.size() - 1 - i];
            folders << next.GetFolder(0) << next.GetFolder(1);
            roots << RootFolderOf(next, 0) << RootFolderOf(next, 1);
        }
        readAhead.Expect(folders, roots);
    };
    expectNext();
    while (!pending.empty()) {
        CSyncProject* node = pending.back();
        pending.pop_back();
        node->Rescan();
        pushChildren(*node);
        expectNext();
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

CSyncProject* CProject::FindChild(const QString& name) const
{
    const auto found = m_children.find(MakeKey(name));
    return found == m_children.end() ? nullptr : found->second.get();
}

CSyncProject& CProject::AddChild(std::unique_ptr<CSyncProject> child)
{
    CSyncProject& stored = *child;
    CProject& base = stored;
    base.m_parent = this;
    base.m_document = m_document;
    const QString key = stored.GetKey();
    auto [it, inserted] = m_children.try_emplace(key);
    std::unique_ptr<CSyncProject> replaced = std::move(it->second);
    it->second = std::move(child);
    Q_UNUSED(inserted);
    return stored; // `replaced` (if any) is destroyed here, after the map is consistent
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
