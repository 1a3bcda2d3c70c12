#include "gui/shell/CDocCommands.h"

#include "core/model/CMyDoc.h"
#include "core/platform/Paths.h"
#include "core/platform/Prompt.h"
#include "core/resources/CommandIds.h"
#include "core/settings/CAppOptionSync.h"
#include "core/settings/CRecentFileList.h"
#include "core/sync/CUndoRun.h"
#include "core/sync/RunRecord.h"
#include "gui/shell/CAppOptionPs.h"
#include "gui/shell/CWaitCursor.h"
#include "gui/sync/CSyncPreviewDlg.h"
#include "gui/sync/GuiSyncHooks.h"

#include <QFileDialog>
#include <utility>

CDocCommands::CDocCommands(CMyDoc& doc, QWidget* window) : QObject(window), m_doc(doc), m_window(window)
{
    // A save that needs a path (a new document saved from the close question) asks for one.
    m_doc.SetSavePathChooser([this](const QString& title) { return AskSavePath(title); });
    // Every path the document takes (opened, or saved from any question) is remembered.
    connect(&m_doc, &CMyDoc::PathNameChanged, this, &CDocCommands::RememberPath);
    // A recent entry whose file turned out damaged leaves the list.
    connect(&m_doc, &CMyDoc::LoadFinished, this, [this](bool ok) {
        const QString recent = std::exchange(m_openingRecent, QString());
        if (ok || recent.isEmpty())
            return;
        CRecentFileList& list = RecentFileList();
        const qsizetype index = list.Entries().indexOf(recent);
        if (index >= 0) {
            list.Remove(static_cast<int>(index));
            list.Save();
        }
    });
}

CDocCommands::~CDocCommands()
{
    // The document outlives its window: it must not call back into a dialog owner that is gone.
    m_doc.SetSavePathChooser({});
}

QString CDocCommands::FileDialogFilter()
{
    return QStringLiteral("Pairwell ﾌｧｲﾙ (*.snc)");
}

QString CDocCommands::WithDefaultExtension(const QString& path)
{
    if (path.isEmpty() || GetLastComponent(path).contains(QLatin1Char('.')))
        return path;
    return path + QStringLiteral(".snc");
}

QString CDocCommands::AskOpenPath() const
{
    if (m_openChooser)
        return m_openChooser(QStringLiteral("開く"));
    return QFileDialog::getOpenFileName(m_window, QStringLiteral("開く"), QString(), FileDialogFilter());
}

QString CDocCommands::AskSavePath(const QString& title) const
{
    QString path;
    if (m_saveChooser) {
        path = m_saveChooser(title);
    } else {
        const QString suggested = m_doc.GetPathName().isEmpty() ? WithDefaultExtension(title) : m_doc.GetPathName();
        path
            = QFileDialog::getSaveFileName(m_window, QStringLiteral("名前を付けて保存"), suggested, FileDialogFilter());
    }
    return WithDefaultExtension(path);
}

void CDocCommands::RememberPath(const QString& path)
{
    if (path.isEmpty())
        return;
    CRecentFileList& recent = RecentFileList();
    recent.Add(path);
    recent.Save();
}

bool CDocCommands::SaveModified()
{
    return m_doc.SaveModified();
}

bool CDocCommands::NewDocument()
{
    if (!SaveModified())
        return false;
    return m_doc.OnNewDocument();
}

bool CDocCommands::OpenDocumentFile(const QString& path)
{
    return SaveModified() && OpenWithoutAsking(path);
}

bool CDocCommands::OpenWithoutAsking(const QString& path)
{
    // A file that cannot even be read must not cost the document on screen:
    // the document empties itself before it reads.
    QString error;
    if (!CMyDoc::CanReadFile(path, &error)) {
        CurrentPrompt().ShowMessage(error, PromptIcon::Warning);
        return false;
    }
    // Read and rescanned on a worker thread while the window answers; the
    // path is remembered once the file was read (PathNameChanged).
    m_openingRecent.clear();
    m_doc.BeginOpenDocument(path);
    return true;
}

bool CDocCommands::OpenRecentFile(int index)
{
    CRecentFileList& recent = RecentFileList();
    const QString path = recent.At(index);
    if (path.isEmpty())
        return false;
    if (!SaveModified())
        return false;
    if (OpenWithoutAsking(path)) {
        m_openingRecent = path;
        return true;
    }
    // An entry that no longer opens leaves the list.
    recent.Remove(static_cast<int>(recent.Entries().indexOf(path)));
    recent.Save();
    return false;
}

bool CDocCommands::OpenWithDialog()
{
    const QString path = AskOpenPath();
    if (path.isEmpty())
        return false;
    return OpenDocumentFile(path);
}

bool CDocCommands::Save()
{
    if (!m_doc.DoFileSave())
        return false;
    RememberPath(m_doc.GetPathName());
    return true;
}

bool CDocCommands::SaveAs()
{
    const QString path = AskSavePath(m_doc.GetTitle());
    if (path.isEmpty())
        return false;
    if (!m_doc.OnSaveDocument(path))
        return false;
    RememberPath(path);
    return true;
}

bool CDocCommands::HandlesCommand(int id) const
{
    switch (id) {
    case Cmd::FileNew:
    case Cmd::FileOpen:
    case Cmd::FileSave:
    case Cmd::FileSaveAs:
    case Cmd::Options:
    case Cmd::SaveFilters:
    case Cmd::LoadFilters:
    case Cmd::UndoLastRun:
        return true;
    default:
        return id >= Cmd::FileMru1 && id < Cmd::FileMru1 + Cmd::FileMruCount;
    }
}

void CDocCommands::UpdateCommand(int id, CommandState& state)
{
    if (id >= Cmd::FileMru1 && id < Cmd::FileMru1 + Cmd::FileMruCount) {
        state.enabled = id - Cmd::FileMru1 < RecentFileList().Size();
        return;
    }
    // Nothing to save, and no options to change under the rescan, while a document is opened.
    if (m_doc.IsLoading() && (id == Cmd::FileSave || id == Cmd::FileSaveAs || id == Cmd::Options)) {
        state.enabled = false;
        return;
    }
    state.enabled = HandlesCommand(id);
}

void CDocCommands::ExecuteCommand(int id)
{
    switch (id) {
    case Cmd::FileNew:
        NewDocument();
        break;
    case Cmd::FileOpen:
        OpenWithDialog();
        break;
    case Cmd::FileSave:
        Save();
        break;
    case Cmd::FileSaveAs:
        SaveAs();
        break;
    case Cmd::UndoLastRun:
        UndoLastRun();
        break;
    case Cmd::Options:
        // The options sheet on its first page; on OK the common filter
        // selection is replaced and, after the question, everything rescanned.
        RunAppOptionsSheet(m_window, m_doc);
        break;
    case Cmd::SaveFilters:
    case Cmd::LoadFilters:
        // Kept for their status texts; they do nothing.
        break;
    default:
        if (id >= Cmd::FileMru1 && id < Cmd::FileMru1 + Cmd::FileMruCount)
            OpenRecentFile(id - Cmd::FileMru1);
        break;
    }
}

namespace {

// Shows the texts through the prompt, after what the undo was about.
void ShowUndoProblems(QStringList problems, const QStringList& damaged)
{
    problems = damaged + problems;
    if (!problems.isEmpty())
        ShowFileOperationErrors(problems);
}

} // namespace

bool CDocCommands::UndoLastRun()
{
    QStringList damaged;
    const std::vector<RunRecord> records = RunRecords::ForDocument(m_doc.GetPathName(), &damaged);
    if (records.empty()) {
        ShowUndoProblems({}, damaged);
        CurrentPrompt().ShowMessage(UndoText::NothingToUndo(), PromptIcon::Information);
        return false;
    }
    CUndoRun undo(records.front());
    undo.Plan();
    if (undo.Steps().empty()) {
        ShowUndoProblems(undo.LeftAlone(), damaged);
        CurrentPrompt().ShowMessage(UndoText::NothingToUndo(), PromptIcon::Information);
        return false;
    }
    CSyncBusyScope busy;
    CSyncPreviewDlg preview(m_window);
    preview.setWindowTitle(UndoText::PreviewTitle());
    preview.SetLists(undo.AsLists());
    if (preview.exec() != QDialog::Accepted)
        return false;
    undo.KeepOnly(preview.Lists());
    if (undo.Steps().empty())
        return false;
    {
        CWaitCursor wait;
        undo.Execute(GlobalOptionSync().LogFilePath);
    }
    ShowUndoProblems(undo.Problems(), damaged);
    m_doc.UpdateAllViews(UpdateHint::RescanAll, nullptr);
    return undo.DoneCount() > 0;
}
