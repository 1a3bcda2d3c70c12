#include "core/model/CMyDoc.h"

#include "core/model/CSyncProject.h"
#include "core/model/DocumentLoad.h"
#include "core/model/PairRoots.h"
#include "core/model/ProjectArchive.h"
#include "core/platform/FileSystem.h"
#include "core/platform/Paths.h"
#include "core/platform/Prompt.h"
#include "core/platform/WholeFile.h"
#include "core/sync/CFileOperation.h"
#include "core/sync/CSyncRun.h"

#include <QBuffer>
#include <algorithm>
#include <cerrno>
#include <system_error>

namespace {

QString LockFailureText(const QString& path, int reason)
{
    if (reason == EWOULDBLOCK)
        return QStringLiteral("%1: 他のプログラムがこのファイルを変更中のため、保存できません。").arg(path);
    if (reason == EINVAL)
        return QStringLiteral("%1: 通常のファイルではないため、ドキュメントとして使えません。").arg(path);
    return QStringLiteral("%1: ファイルをロックできません。(%2)").arg(path, SystemErrorText(reason));
}

QString ChangedOnDiskText(const QString& path)
{
    return QStringLiteral("%1 は、開いた後または保存した後に、他のプログラムによって変更されています。\n"
                          "上書きしますか？")
        .arg(path);
}

// How long the window waits for another program's change of the document to end.
constexpr int kSaveLockWaitMs = 10'000;

} // namespace

CMyDoc::CMyDoc(QObject* parent) : QObject(parent)
{
    m_root.SetDocument(this);
}

CMyDoc::~CMyDoc()
{
    // Nothing of the worker reaches a document that is going away.
    m_load.reset();
    if (m_freeing.joinable())
        m_freeing.join();
}

bool CMyDoc::Serialize(QIODevice& device, ArchiveMode mode, QString* error)
{
    if (mode == ArchiveMode::Store) {
        if (!StoreDocumentArchive(device, m_root, m_commonFilters)) {
            if (error)
                *error = device.errorString();
            return false;
        }
        ClearChangedFlags(m_root);
        return true;
    }
    if (!LoadWithoutRescan(device, error))
        return false;
    m_root.Refresh(true);
    return true;
}

bool CMyDoc::LoadWithoutRescan(QIODevice& device, QString* error)
{
    if (!LoadDocumentArchive(device, m_root, m_commonFilters, error))
        return false;
    m_root.SetDocument(this);
    return true;
}

void CMyDoc::DeleteContents()
{
    m_load.reset();
    m_childrenToCome.clear();
    Q_EMIT ContentsDeleting();
    // A small tree is freed at once; a large one on a thread of its own.
    constexpr int kNodesFreedAtOnce = 2000;
    int nodes = 0;
    if (m_root.AnyDescendant([&nodes](const CSyncProject&) { return ++nodes > kNodesFreedAtOnce; }))
        FreeProjects(m_root.TakeChildren());
    else
        m_root.DeleteChildren();
    m_root.SetName(QString());
}

void CMyDoc::FreeProjects(CProject::ChildMap projects)
{
    if (m_freeing.joinable())
        m_freeing.join();
    // The nodes own nothing but memory: they may go on any thread.
    try {
        m_freeing = std::thread([doomed = std::move(projects)]() mutable { doomed.clear(); });
    } catch (const std::system_error&) {
        // No thread to be had: the nodes were freed here, with the function it would have run.
    }
}

bool CMyDoc::SaveModified()
{
    // A document still being opened holds nothing the user changed.
    if (m_autoSyncMode || (IsLoading() && !IsRescanning()))
        return true;
    if (!IsRescanning())
        return AskSaveModified();
    // The question needs the whole tree: the rescan stops, and starts again
    // when the document stays.
    CSyncProject* const node = m_rescanNode;
    StopRescan();
    const bool goOn = AskSaveModified();
    if (!goOn && node)
        BeginRescan(*node);
    else if (!goOn)
        BeginRescan();
    return goOn;
}

bool CMyDoc::AskSaveModified()
{
    if (!m_modified && m_root.IsChanged())
        SetModifiedFlag(true);
    if (!m_modified)
        return true;
    PromptRequest request;
    request.text = QStringLiteral("%1 への変更を保存しますか?").arg(GetTitle());
    request.buttons = PromptButtons::YesNoCancel;
    request.icon = PromptIcon::Warning;
    switch (CurrentPrompt().Ask(request)) {
    case PromptAnswer::Yes:
        return DoFileSave();
    case PromptAnswer::No:
        return true;
    default:
        return false;
    }
}

bool CMyDoc::OnNewDocument()
{
    CancelLoading();
    DeleteContents();
    m_commonFilters.clear();
    SetPathName(QString());
    m_stamp = FileStamp();
    SetModifiedFlag(false);
    Q_EMIT UpdateAllViews(UpdateHint::FirstDisplay, nullptr);
    return true;
}

bool CMyDoc::OnOpenDocument(const QString& path)
{
    CancelLoading();
    DeleteContents();
    m_commonFilters.clear();
    QByteArray bytes;
    QString error;
    const FileReadResult result = ReadRegularFile(path, &bytes);
    bool read = result.Ok();
    if (!read)
        error = DocumentReadFailureText(path, result);
    if (read) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QString detail;
        read = LoadWithoutRescan(buffer, &detail);
        if (!read)
            error = DocumentBadFormatText(path);
    }
    // The file's bytes are let go before the rescan fills the tree's file
    // tables: a large document's peak memory is then the larger of the two.
    bytes = QByteArray();
    if (read)
        m_root.Refresh(true);
    if (!read) {
        // What could be read is gone: the document is a new, empty one.
        DeleteContents();
        m_commonFilters.clear();
        SetPathName(QString());
        m_stamp = FileStamp();
        SetModifiedFlag(false);
        Fail(error);
        Q_EMIT UpdateAllViews(UpdateHint::FirstDisplay, nullptr);
        return false;
    }
    SetPathName(path);
    m_stamp = result.stamp;
    SetModifiedFlag(false);
    Q_EMIT UpdateAllViews(UpdateHint::FirstDisplay, nullptr);
    return true;
}

void CMyDoc::BeginOpenDocument(const QString& path)
{
    m_load.reset();
    DeleteContents();
    m_commonFilters.clear();
    // Named once it was read: a file that turns out damaged is never remembered.
    SetPathName(QString());
    m_stamp = FileStamp();
    SetModifiedFlag(false);
    m_load = std::make_unique<CDocumentLoad>(path, LoadWake());
    ++m_loadSerial;
    Q_EMIT UpdateAllViews(UpdateHint::FirstDisplay, nullptr);
    Q_EMIT LoadingChanged(true);
}

void CMyDoc::BeginRescan()
{
    if (IsRescanning() && m_rescanNode)
        StopRescan();
    if (m_load)
        return;
    // The views let go of every node before the nodes leave for the worker.
    Q_EMIT ContentsDeleting();
    std::vector<QString> keys;
    for (const auto& entry : m_root.Children())
        keys.push_back(entry.first);
    std::vector<CDocumentLoad::Subtree> subtrees;
    for (const QString& key : keys)
        subtrees.push_back(CDocumentLoad::Detach(m_root, key));
    StartRescan(std::move(subtrees), nullptr);
}

namespace {

// The key `node` is stored under in its parent: mostly its GetKey, else looked up by address.
QString StoredKeyOf(const CSyncProject& node)
{
    const CProject::ChildMap& siblings = node.GetParent()->Children();
    const auto plain = siblings.find(node.GetKey());
    if (plain != siblings.end() && plain->second.get() == &node)
        return plain->first;
    const auto found = std::find_if(
        siblings.begin(), siblings.end(), [&node](const auto& entry) { return entry.second.get() == &node; });
    return found->first;
}

} // namespace

void CMyDoc::BeginRescan(CSyncProject& node)
{
    FinishLoading();
    const CProject* top = &node;
    while (top->GetParent())
        top = top->GetParent();
    if (top != &m_root)
        return; // not a node of this document
    // The views let go of the node's subtree before it leaves for the worker.
    Q_EMIT ProjectLeaving(&node);
    CProject* parent = node.GetParent();
    std::vector<CDocumentLoad::Subtree> subtrees;
    subtrees.push_back(CDocumentLoad::Detach(*parent, StoredKeyOf(node)));
    StartRescan(std::move(subtrees), &node);
}

CSyncProject* CMyDoc::BeginAddProject(std::unique_ptr<CSyncProject> project)
{
    FinishLoading();
    CSyncProject* added = project.get();
    std::vector<CDocumentLoad::Subtree> subtrees;
    subtrees.push_back(CDocumentLoad::NewProject(std::move(project)));
    StartRescan(std::move(subtrees), added);
    return added;
}

void CMyDoc::StartRescan(std::vector<CDocumentLoad::Subtree> subtrees, CSyncProject* node)
{
    m_rescanNode = node;
    m_load = std::make_unique<CDocumentLoad>(std::move(subtrees), m_commonFilters, LoadWake());
    ++m_loadSerial;
    Q_EMIT LoadingChanged(true);
}

void CMyDoc::FinishLoading()
{
    while (m_load) {
        m_load->Wait();
        TakeLoaded();
    }
}

std::function<void()> CMyDoc::LoadWake()
{
    return [this] { QMetaObject::invokeMethod(this, &CMyDoc::TakeLoaded, Qt::QueuedConnection); };
}

bool CMyDoc::IsLoading() const
{
    return m_load != nullptr;
}

bool CMyDoc::IsRescanning() const
{
    return m_load && m_load->IsRescan();
}

qint64 CMyDoc::LoadedFolders() const
{
    return m_load ? m_load->FoldersRead() : 0;
}

qint64 CMyDoc::LoadedFiles() const
{
    return m_load ? m_load->FilesRead() : 0;
}

void CMyDoc::CancelLoading()
{
    if (!m_load)
        return;
    if (m_load->IsRescan()) {
        StopRescan();
        return;
    }
    // The nodes handed over are final, but a document opened in part must
    // not pass for the file: it becomes a new, empty one.
    m_load.reset();
    ++m_loadSerial;
    DeleteContents();
    m_commonFilters.clear();
    SetPathName(QString());
    SetModifiedFlag(false);
    Q_EMIT UpdateAllViews(UpdateHint::FirstDisplay, nullptr);
    Q_EMIT LoadingChanged(false);
}

void CMyDoc::StopRescan()
{
    m_load->Cancel();
    // What was handed over but not yet taken, then what the worker still held
    // (under parents among the former or in the tree).
    CDocumentLoad::Nodes nodes = std::move(m_load->TakeReady().nodes);
    for (auto& entry : m_load->TakeUnfinished())
        nodes.push_back(std::move(entry));
    m_load.reset();
    ++m_loadSerial;
    Adopt(nodes);
    m_childrenToCome.clear();
    Q_EMIT LoadingChanged(false);
}

std::vector<CSyncProject*> CMyDoc::Adopt(CDocumentLoad::Nodes& nodes)
{
    std::vector<CSyncProject*> added;
    added.reserve(nodes.size());
    for (CDocumentLoad::Node& entry : nodes) {
        CProject& parent = entry.parent ? *entry.parent : m_root;
        m_childrenToCome.remove(&parent);
        CSyncProject& node = parent.AddChild(std::move(entry.node), entry.key);
        // A node given back unfinished comes with its subtree.
        node.ForEachDescendant([this](CSyncProject& below) { below.SetDocument(this); });
        if (entry.childrenToCome)
            m_childrenToCome.insert(&node);
        added.push_back(&node);
    }
    return added;
}

bool CMyDoc::WaitForLoading()
{
    if (!m_load)
        return true;
    // A rescan never fails; an untitled document's rescan is no failed opening.
    const bool rescan = IsRescanning();
    FinishLoading();
    return rescan || !m_pathName.isEmpty();
}

void CMyDoc::TakeLoaded()
{
    if (!m_load)
        return; // a wake-up that came after the load was cancelled
    CDocumentLoad::Ready ready = m_load->TakeReady();
    if (ready.read) {
        m_commonFilters = ready.commonFilters;
        m_root.SetName(ready.rootName);
    }
    // All join the tree before the first is announced: a receiver that stops
    // a rescan then finds every node under its parent.
    const quint64 serial = m_loadSerial;
    for (CSyncProject* node : Adopt(ready.nodes)) {
        Q_EMIT FolderLoaded(node);
        // A receiver may have cancelled this opening, or started another.
        if (m_loadSerial != serial)
            return;
    }
    if (!ready.finished)
        return;
    m_childrenToCome.clear();
    if (m_load->IsRescan()) {
        m_load.reset();
        Q_EMIT LoadingChanged(false);
        Q_EMIT LoadFinished(true);
        return;
    }
    const QString path = m_load->Path();
    m_load.reset();
    if (!ready.ok) {
        DeleteContents();
        m_commonFilters.clear();
        SetPathName(QString());
        SetModifiedFlag(false);
        Fail(ready.error);
        Q_EMIT UpdateAllViews(UpdateHint::FirstDisplay, nullptr);
    } else {
        SetPathName(path);
        m_stamp = ready.stamp;
    }
    Q_EMIT LoadingChanged(false);
    Q_EMIT LoadFinished(ready.ok);
}

bool CMyDoc::OnSaveDocument(const QString& path)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QString error;
    if (!StoreDocumentArchive(buffer, m_root, m_commonFilters)) {
        Fail(QStringLiteral("%1: %2").arg(path, buffer.errorString()));
        return false;
    }
    // Held only while this save runs, unless a verb holds it for its whole change.
    CFileLock saving;
    int reason = 0;
    if (!m_lock.Holds(path) && !saving.Lock(path, kSaveLockWaitMs, &reason)) {
        Fail(LockFailureText(path, reason));
        return false;
    }
    if (!MayOverwrite(path))
        return false;
    if (!ReplaceFileAtomically(path, bytes, &error)) {
        Fail(error);
        return false;
    }
    // Only a document that reached the disk counts as stored.
    ClearChangedFlags(m_root);
    SetPathName(path);
    m_stamp = StampOfFile(path);
    SetModifiedFlag(false);
    return true;
}

bool CMyDoc::MayOverwrite(const QString& path) const
{
    if (path != m_pathName || !m_stamp.exists)
        return true;
    const FileStamp now = StampOfFile(path);
    if (!now.exists || now == m_stamp)
        return true;
    return CurrentPrompt().AskYesNo(ChangedOnDiskText(path), PromptIcon::Warning);
}

bool CMyDoc::LockFile(const QString& path)
{
    int reason = 0;
    if (m_lock.Lock(path, -1, &reason))
        return true;
    QString unreadable;
    Fail(CanReadFile(path, &unreadable) ? LockFailureText(path, reason) : unreadable);
    return false;
}

bool CMyDoc::CanReadFile(const QString& path, QString* error)
{
    // Opened, not read: a large document is read on the loading thread.
    const FileReadResult result = ProbeRegularFile(path);
    if (!result.Ok() && error)
        *error = DocumentReadFailureText(path, result);
    return result.Ok();
}

bool CMyDoc::DoFileSave()
{
    QString path = m_pathName;
    if (path.isEmpty()) {
        if (!m_pathChooser)
            return false;
        path = m_pathChooser(GetTitle());
        if (path.isEmpty())
            return false;
    }
    return OnSaveDocument(path);
}

QString CMyDoc::GetTitle() const
{
    return m_pathName.isEmpty() ? QStringLiteral("無題") : GetLastComponent(m_pathName);
}

void CMyDoc::SetModifiedFlag(bool modified)
{
    if (m_modified == modified)
        return;
    m_modified = modified;
    Q_EMIT ModifiedChanged(modified);
}

void CMyDoc::SetPathName(const QString& path)
{
    if (m_pathName == path)
        return;
    m_pathName = path;
    Q_EMIT PathNameChanged(path);
}

void CMyDoc::Fail(const QString& text)
{
    m_lastError = text;
    CurrentPrompt().ShowMessage(text, PromptIcon::Warning);
}

// The synchronisation commands: each is one CSyncRun with the preview list
// and progress display that the window installed.

bool CMyDoc::Synchronize(CProject* node, const CAppOptionSync& options, SyncDirection direction)
{
    CSyncRun run(*this);
    run.SetHooks(m_syncHooks);
    // The rescan's records of folders that did not change since spare reading both trees again.
    run.SetUseUnchangedRecords(true);
    const bool executed = run.Synchronize(node, options, direction);
    m_lastSyncResult = run.Result();
    return executed;
}

bool CMyDoc::SynchronizeFiles(
    CSyncProject* node, const QStringList& names, const CAppOptionSync& options, SyncDirection direction)
{
    CSyncRun run(*this);
    run.SetHooks(m_syncHooks);
    run.SetUseUnchangedRecords(true);
    const bool executed = run.SynchronizeFiles(node, names, options, direction);
    m_lastSyncResult = run.Result();
    return executed;
}

// The delete command: the file list and the tree delete the paths the user
// ticked in their delete dialogs.
bool CMyDoc::DeletePaths(const QStringList& paths, bool recycle)
{
    FileOpFlags flags;
    if (recycle) {
        // The trash takes nothing from network and removable media: ask once before going on.
        if (!ConfirmRecycleBinPaths(paths))
            return false;
        flags |= FileOpFlag::AllowUndo;
    }
    CFileOperation operation(m_syncHooks.observer);
    operation.SetRoots(CPairRoots(RootFoldersBelow(GetRoot())));
    return operation.DeleteItems(paths, flags);
}
