#pragma once

#include "gui/shell/CommandTarget.h"

#include <QHash>
#include <QMainWindow>
#include <QRect>
#include <QSize>
#include <QTimer>
#include <memory>

class CAutoSync;
class CDocCommands;
class CFileSyncView;
class CMyDoc;
class CSyncBusyScope;
class CPathBar;
class CProjectView;
class CSplitter;
class QAction;
class QLabel;
class QMenu;
class QSessionManager;
class QToolBar;
struct MenuItemDef;

// The window's placement as the profile section "Frame" stores it: the show
// state and the restored rectangle in work-area coordinates.
struct FramePlacement
{
    int status = 1; // 1 normal, 2 minimised, 3 maximised
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

namespace FrameShow {
constexpr int Normal = 1;
constexpr int Minimized = 2;
constexpr int Maximized = 3;
} // namespace FrameShow

// The main window. It owns the toolbar, the two path bars, the status bar
// with the selection-size pane, the menus and keys, and the splitter with the
// project tree (left) and the file list (right).
//
// Commands are QActions that carry their fixed ids. A command goes to the
// first target that has a handler for it: the active view (the pane that last
// had the focus), the document's commands, this frame, the application. The
// target's enable rule is asked whenever a menu is about to show, after every
// command, when a view reports a selection change, after user input (for the
// toolbar), and once more when the command is about to run.
//
// The placement and the splitter's width are read from "Frame" when the
// window is made and written when it closes.
class CMainFrame : public QMainWindow, public IMainFrame, public ICommandTarget
{
    Q_OBJECT

public:
    explicit CMainFrame(CMyDoc& doc, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CProjectView& TreeView() { return *m_tree; }
    CFileSyncView& FileView() { return *m_files; }
    CSplitter& Splitter() { return *m_splitter; }
    CDocCommands& DocCommands() { return *m_docCommands; }
    // Auto-sync, its timer and the task tray.
    CAutoSync& AutoSync() { return *m_autoSync; }
    CMyDoc& Document() { return m_doc; }
    CPathBar& ProjectPathBar() { return *m_projectPathBar; }
    CPathBar& TargetPathBar() { return *m_targetPathBar; }
    QToolBar& ToolBar() { return *m_toolBar; }

    // IMainFrame
    void ShowProjectFolderPath(const QString& path) override;
    void ShowTargetFolderPath(const QString& path) override;
    void ShowSelectionSizes(qint64 projectBytes, qint64 targetBytes) override;
    void UpdateCommandStates() override;
    QWidget* Window() override { return this; }

    // The selection-size pane.
    qint64 SelectedProjectBytes() const { return m_selectedProjectBytes; }
    qint64 SelectedTargetBytes() const { return m_selectedTargetBytes; }
    QString SelectionSizeText() const;
    // "project - target = difference", all signed 64-bit decimals.
    static QString FormatSelectionSizes(qint64 projectBytes, qint64 targetBytes);

    // Placement. ReadPlacement is false when any of the five values is
    // missing (the window then keeps its default placement).
    static bool ReadPlacement(FramePlacement* placement);
    // The window rectangle for a stored placement: moved by the work area's
    // origin, its left edge at most the screen width less an icon's width,
    // its top edge at most the screen height less an icon's height. Empty for
    // a placement without width or height.
    static QRect RestoredRect(
        const FramePlacement& placement, const QRect& workArea, const QSize& screenSize, const QSize& iconSize);
    // Writes the placement and the splitter's width to "Frame".
    void SavePlacement();
    // The show state the stored placement asks for (FrameShow).
    int InitialShowState() const { return m_initialShowState; }
    // Shows the window the first time: minimised when asked for, otherwise
    // in its stored show state.
    void ShowInitially(bool minimized);

    // Command routing.
    void SetApplicationTarget(ICommandTarget* application) { m_application = application; }
    // Makes `view` (one of the two panes) the active view.
    void SetActiveView(QWidget* view);
    ICommandTarget* ActiveView() const { return m_activeView; }
    QWidget* ActiveViewWidget() const;
    // The target that handles command `id` now, or nullptr (the command is then disabled).
    ICommandTarget* CommandTargetFor(int id) const;
    // The command's state as its target's enable rule leaves it.
    CommandState CommandStateOf(int id);
    // Runs the command when its rule enables it; true when it ran.
    bool RunCommand(int id);
    // The action of command `id` in the menus or the toolbar (nullptr for none).
    QAction* Action(int id) const { return m_actions.value(id); }
    // The keyboard's action for a key ("F5"), nullptr for none.
    QAction* AcceleratorAction(const QString& key) const;
    QMenu* FileMenu() const { return m_fileMenu; }

    // Help: HelpFilePath of the display options, or help/Welcome.htm beside the program.
    QString HelpPath() const;
    bool OpenHelp();

    // The end of the desktop session: may the session end? Asks to save a
    // modified document; with -SOE exports all projects before agreeing.
    bool QueryEndSession();
    // Exports every project with the application's sync options and without
    // questions (the switches -s and -SOE, and each auto-sync tick).
    void SyncAllNow();

    // ICommandTarget: the frame's own commands (help, context help, restore,
    // edit columns, next and previous pane).
    bool HandlesCommand(int id) const override;
    void UpdateCommand(int id, CommandState& state) override;
    void ExecuteCommand(int id) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    QMenu* createPopupMenu() override;

private:
    void BuildBars();
    void BuildStatusBar();
    void BuildMenus();
    void BuildAccelerators();
    void AddMenuItems(QMenu* menu, const std::vector<MenuItemDef>& items);
    QAction* CommandAction(int id, const QString& text);
    void UpdateAction(QAction* action);
    void UpdateMenu(QMenu* menu);
    void UpdateRecentFileItems();
    void ScheduleCommandUpdate();
    void RestorePlacement();
    void UpdateTitle();
    void OnFocusChanged(QWidget* now);
    void OnMinimized();
    void OnCommitDataRequest(QSessionManager& manager);
    void RestoreWindow();
    void SwitchPane();
    void ShowFocusContextMenu();
    // Whether command `id` of `target` waits for the document being opened:
    // while it is read and rescanned only opening another (or a new one),
    // the frame's own commands, About and Exit run.
    bool WaitsForDocument(int id, const ICommandTarget* target) const;
    // The status bar's first pane: the rescan's progress while the document is opened.
    void ShowLoadProgress();

    // The task tray and the auto-sync timer (CAutoSync): into the tray on a
    // minimise with display bit 7 (false where the desktop has no tray).
    bool HideIntoTray();
    void ArmAutoSyncTimer(int minutes);

    CMyDoc& m_doc;
    CDocCommands* m_docCommands = nullptr;
    CAutoSync* m_autoSync = nullptr; // a child of the window
    CPathBar* m_projectPathBar = nullptr;
    CPathBar* m_targetPathBar = nullptr;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_readyLabel = nullptr;
    QLabel* m_sizePane = nullptr;
    CSplitter* m_splitter = nullptr;
    CProjectView* m_tree = nullptr;
    CFileSyncView* m_files = nullptr;
    QMenu* m_fileMenu = nullptr;

    QHash<int, QAction*> m_actions;
    QHash<QString, QAction*> m_accelerators;
    ICommandTarget* m_activeView = nullptr;
    ICommandTarget* m_application = nullptr;
    QTimer m_commandUpdate; // coalesces the updates after user input
    QTimer m_loadProgress; // while the document is opened
    std::unique_ptr<CSyncBusyScope> m_loadingBusy; // while the document is opened

    qint64 m_selectedProjectBytes = 0;
    qint64 m_selectedTargetBytes = 0;
    int m_initialShowState = FrameShow::Normal;
    bool m_destroying = false;
};
