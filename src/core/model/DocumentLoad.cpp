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

CDocumentLoad::CDocumentLoad(const QString& path, std::function<void()> wake) : m_path(path), m_wake(std::move(wake))
{
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

void CDocumentLoad::Work()
{
    // The nodes take their common filter selection from a document of their
    // own while they are rescanned here: the owner's is not touched by this thread.
    CMyDoc scratch;
    QByteArray bytes;
    const FileReadResult result = ReadRegularFile(m_path, &bytes);
    QString error = result.Ok() ? QString() : DocumentReadFailureText(m_path, result);
    QStringList filters;
    if (result.Ok()) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        if (!LoadDocumentArchive(buffer, scratch.GetRoot(), filters))
            error = DocumentBadFormatText(m_path);
    }
    // The file's bytes are let go before the rescan fills the file tables.
    bytes = QByteArray();
    if (!error.isEmpty()) {
        Hand([&error](Ready& ready) {
            ready.finished = true;
            ready.error = error;
        });
        return;
    }
    scratch.SetCommonFilterSelection(filters);
    CAppProject& root = scratch.GetRoot();
    root.SetDocument(&scratch);
    Hand([&](Ready& ready) {
        ready.read = true;
        ready.commonFilters = filters;
        ready.rootName = root.GetName();
    });
    std::vector<QString> keys;
    for (const auto& entry : root.Children())
        keys.push_back(entry.first);
    for (const QString& key : keys) {
        CSyncProject* project = root.Children().at(key).get();
        project->SetDocument(&scratch);
        if (!project->RefreshSubtree(&m_control))
            return; // cancelled: the half-rescanned project goes with `scratch`
        std::unique_ptr<CSyncProject> done = root.DetachChild(key);
        Hand([&](Ready& ready) { ready.projects.emplace_back(key, std::move(done)); });
    }
    Hand([&result](Ready& ready) {
        ready.finished = true;
        ready.ok = true;
        ready.stamp = result.stamp;
    });
}
