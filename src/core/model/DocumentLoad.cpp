#include "core/model/DocumentLoad.h"

#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/model/ProjectArchive.h"
#include "core/platform/FileSystem.h"

#include <QBuffer>

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

CDocumentLoad::CDocumentLoad(const QString& path, std::function<void()> wake)
    : m_path(path), m_wake(std::move(wake)), m_scratch(std::make_unique<CMyDoc>())
{
    m_thread = std::thread([this] { Work(); });
}

CDocumentLoad::CDocumentLoad(
    Projects projects, const QStringList& commonFilters, std::function<void()> wake, CSyncProject* subtree)
    : m_wake(std::move(wake)), m_subtree(subtree), m_scratch(std::make_unique<CMyDoc>())
{
    m_scratch->SetCommonFilterSelection(commonFilters);
    CAppProject& root = m_scratch->GetRoot();
    for (auto& [key, project] : projects) {
        CSyncProject& added = root.AddChild(std::move(project), key);
        added.ForEachDescendant([this](CSyncProject& node) { node.SetDocument(m_scratch.get()); });
    }
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
    return taken;
}

void CDocumentLoad::Hand(const std::function<void(Ready&)>& add)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        add(m_ready);
    }
    if (m_wake)
        m_wake();
}

CDocumentLoad::Projects CDocumentLoad::TakeUnfinished()
{
    Projects projects;
    if (m_thread.joinable())
        return projects; // the worker still has them
    CAppProject& root = m_scratch->GetRoot();
    std::vector<QString> keys;
    for (const auto& entry : root.Children())
        keys.push_back(entry.first);
    for (const QString& key : keys)
        projects.emplace_back(key, root.DetachChild(key));
    return projects;
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

bool CDocumentLoad::RescanProjects()
{
    CAppProject& root = m_scratch->GetRoot();
    std::vector<QString> keys;
    for (const auto& entry : root.Children())
        keys.push_back(entry.first);
    for (const QString& key : keys) {
        CSyncProject* project = root.Children().at(key).get();
        project->SetDocument(m_scratch.get());
        if (!SubtreeToRescan(*project).RefreshSubtree(&m_control))
            return false; // cancelled: the half-rescanned project stays in the scratch tree
        std::unique_ptr<CSyncProject> done = root.DetachChild(key);
        Hand([&](Ready& ready) { ready.projects.emplace_back(key, std::move(done)); });
    }
    return true;
}

CSyncProject& CDocumentLoad::SubtreeToRescan(CSyncProject& project) const
{
    for (CProject* at = m_subtree; at; at = at->GetParent()) {
        if (at == &project)
            return *m_subtree;
    }
    return project;
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
    }
    if (!RescanProjects())
        return;
    Hand([&stamp](Ready& ready) {
        ready.finished = true;
        ready.ok = true;
        ready.stamp = stamp;
    });
}
