#include "core/model/DocumentLoad.h"

#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/model/PairRoots.h"
#include "core/model/ProjectArchive.h"
#include "core/platform/FileSystem.h"
#include "core/platform/Finder.h"

#include <QBuffer>
#include <utility>

QString DocumentBadFormatText(const QString& path)
{
    return QStringLiteral("%1: 予期しない形式のファイルです。").arg(path);
}

QString DocumentReadFailureText(const QString& path, const FileReadResult& result)
{
    switch (result.failure) {
    case FileReadFailure::NotFound:
        return QStringLiteral("%1: ファイルが見つかりません。").arg(path);
    case FileReadFailure::AccessDenied:
        return QStringLiteral("%1: ファイルを開くアクセス権がありません。").arg(path);
    case FileReadFailure::Folder:
        return QStringLiteral("%1: フォルダのため、ドキュメントとして開けません。").arg(path);
    case FileReadFailure::NotRegularFile:
        return QStringLiteral("%1: 通常のファイルではないため、ドキュメントとして開けません。").arg(path);
    case FileReadFailure::TooLarge:
        return QStringLiteral("%1: ファイルが大きすぎるため、開けません。").arg(path);
    default:
        return QStringLiteral("%1: ファイルを読み込めません。(%2)").arg(path, SystemErrorText(result.errnoValue));
    }
}

namespace {

// The folders of the top-level project of `node`, which may be `node` itself.
void ProjectFoldersOf(const CSyncProject& node, QString (&folders)[2])
{
    const CSyncProject* top = &node;
    while (const auto* parent = dynamic_cast<const CSyncProject*>(top->GetParent()))
        top = parent;
    folders[0] = top->GetFolder(0);
    folders[1] = top->GetFolder(1);
}

std::function<void()>& HandedHook()
{
    static std::function<void()> hook;
    return hook;
}

} // namespace

void CDocumentLoad::SetHandedHookForTesting(std::function<void()> hook)
{
    HandedHook() = std::move(hook);
}

CDocumentLoad::Subtree CDocumentLoad::Detach(CProject& parent, const QString& key)
{
    Subtree subtree;
    const CSyncProject& node = *parent.Children().at(key);
    // Its ancestors are out of reach once it is detached.
    for (int side = 0; side < 2; ++side)
        subtree.roots[side] = RootFolderOf(node, side);
    ProjectFoldersOf(node, subtree.projectFolders);
    subtree.place.parent = &parent;
    subtree.place.key = key;
    subtree.place.node = parent.DetachChild(key);
    return subtree;
}

CDocumentLoad::Subtree CDocumentLoad::NewProject(std::unique_ptr<CSyncProject> project)
{
    Subtree subtree;
    for (int side = 0; side < 2; ++side)
        subtree.roots[side] = subtree.projectFolders[side] = project->GetFolder(side);
    subtree.place.key = project->GetKey();
    subtree.place.node = std::move(project);
    return subtree;
}

CDocumentLoad::CDocumentLoad(const QString& path, std::function<void()> wake)
    : m_path(path), m_wake(std::move(wake)), m_scratch(std::make_unique<CMyDoc>())
{
    m_thread = std::thread([this] { Work(); });
}

CDocumentLoad::CDocumentLoad(
    std::vector<Subtree> subtrees, const QStringList& commonFilters, std::function<void()> wake)
    : m_wake(std::move(wake)), m_scratch(std::make_unique<CMyDoc>())
{
    m_scratch->SetCommonFilterSelection(commonFilters);
    // The first is rescanned first.
    for (Subtree& subtree : subtrees)
        m_pending.push_back(std::move(subtree));
    m_thread = std::thread([this] { Work(); });
}

CDocumentLoad::~CDocumentLoad()
{
    Cancel();
}

void CDocumentLoad::Cancel()
{
    m_control.cancel.store(true);
    if (m_thread.joinable())
        m_thread.join();
}

void CDocumentLoad::Wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

CDocumentLoad::Ready CDocumentLoad::TakeReady()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    Ready taken = std::move(m_ready);
    m_ready = Ready();
    m_woken = false;
    return taken;
}

void CDocumentLoad::Hand(const std::function<void(Ready&)>& add)
{
    bool wake = false;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        add(m_ready);
        // One wake-up per batch: the owner takes all that came meanwhile.
        wake = !std::exchange(m_woken, true);
    }
    if (wake && m_wake)
        m_wake();
}

CDocumentLoad::Nodes CDocumentLoad::TakeUnfinished()
{
    Nodes nodes;
    if (m_thread.joinable())
        return nodes; // the worker still has them
    for (Subtree& subtree : m_pending)
        nodes.push_back(std::move(subtree.place));
    m_pending.clear();
    return nodes;
}

QString CDocumentLoad::Read(QStringList& filters, FileStamp& stamp)
{
    QByteArray bytes;
    const FileReadResult result = ReadRegularFile(m_path, &bytes);
    if (!result.Ok())
        return DocumentReadFailureText(m_path, result);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    if (!LoadDocumentArchive(buffer, m_scratch->GetRoot(), filters))
        return DocumentBadFormatText(m_path);
    stamp = result.stamp;
    // The file's bytes go (with this frame) before the rescan fills the file tables.
    return QString();
}

bool CDocumentLoad::RescanPending()
{
    // A second thread reads the folders of the next few nodes while this one
    // is rescanned; each folder is still enumerated once.
    CFolderReadAhead readAhead;
    for (const Subtree& waiting : m_pending)
        waiting.place.node->QueueFolders(readAhead, waiting.roots);
    while (!m_pending.empty()) {
        if (m_control.cancel.load(std::memory_order_relaxed))
            return false; // what waits stays in m_pending, whole or rescanned in part
        Subtree next = std::move(m_pending.front());
        m_pending.pop_front();
        RescanNode(std::move(next), readAhead);
    }
    return true;
}

void CDocumentLoad::RescanNode(Subtree subtree, CFolderReadAhead& readAhead)
{
    CSyncProject& node = *subtree.place.node;
    node.SetDocument(m_scratch.get());
    node.RescanAlone(subtree.roots);
    m_control.folders.fetch_add(1, std::memory_order_relaxed);
    m_control.files.fetch_add(node.FolderStatus().Count(), std::memory_order_relaxed);
    // The children wait, each with what it needs of its ancestors, behind
    // every node that waited before them.
    std::vector<QString> keys;
    for (const auto& entry : node.Children())
        keys.push_back(entry.first);
    for (const QString& key : keys) {
        Subtree child;
        const CSyncProject& stored = *node.Children().at(key);
        for (int side = 0; side < 2; ++side) {
            child.roots[side] = ChildRootFolder(
                stored.GetFolder(side), node.GetFolder(side), subtree.roots[side], subtree.projectFolders[side]);
            child.projectFolders[side] = subtree.projectFolders[side];
        }
        stored.QueueFolders(readAhead, child.roots);
        child.place.parent = &node;
        child.place.key = key;
        child.place.node = node.DetachChild(key);
        m_pending.push_back(std::move(child));
    }
    subtree.place.childrenToCome = !keys.empty();
    // From here on the node belongs to the owner.
    Hand([&subtree](Ready& ready) { ready.nodes.push_back(std::move(subtree.place)); });
    if (const std::function<void()>& hook = HandedHook())
        hook();
}

void CDocumentLoad::Work()
{
    FileStamp stamp;
    if (!IsRescan()) {
        QStringList filters;
        const QString error = Read(filters, stamp);
        if (!error.isEmpty()) {
            Hand([&error](Ready& ready) {
                ready.finished = true;
                ready.error = error;
            });
            return;
        }
        m_scratch->SetCommonFilterSelection(filters);
        CAppProject& root = m_scratch->GetRoot();
        root.SetDocument(m_scratch.get());
        Hand([&](Ready& ready) {
            ready.read = true;
            ready.commonFilters = filters;
            ready.rootName = root.GetName();
        });
        std::vector<QString> keys;
        for (const auto& entry : root.Children())
            keys.push_back(entry.first);
        for (const QString& key : keys) {
            m_pending.push_back(Detach(root, key));
            m_pending.back().place.parent = nullptr; // a project of the owner's root
        }
    }
    if (!RescanPending())
        return;
    Hand([&stamp](Ready& ready) {
        ready.finished = true;
        ready.ok = true;
        ready.stamp = stamp;
    });
}
