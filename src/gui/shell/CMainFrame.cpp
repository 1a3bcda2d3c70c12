#include "gui/shell/CMainFrame.h"

#include "core/model/CMyDoc.h"
#include "core/platform/FileName.h"
#include "core/platform/FileSystem.h"
#include "core/platform/Paths.h"
#include "core/platform/Profile.h"
#include "core/platform/Prompt.h"
#include "core/resources/CommandIds.h"
#include "core/resources/Menus.h"
#include "core/resources/ResourceIds.h"
#include "core/resources/Texts.h"
#include "core/settings/CAppOptionDisp.h"
#include "core/settings/CAppOptionSync.h"
#include "core/settings/CRecentFileList.h"
#include "core/sync/CSyncRun.h"
#include "gui/resources/Pictures.h"
#include "gui/shell/CAutoSync.h"
#include "gui/shell/CDocCommands.h"
#include "gui/shell/CMainApp.h"
#include "gui/shell/CPathBar.h"
#include "gui/shell/CSplitter.h"
#include "gui/shell/CWaitCursor.h"
#include "gui/sync/DesktopActions.h"
#include "gui/sync/GuiSyncHooks.h"
#include "gui/views/CFileSyncView.h"
#include "gui/views/CProjectView.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSessionManager>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QUrl>
#include <QWhatsThis>
#include <algorithm>
#include <memory>
#include <utility>

namespace {

const QString kSection = QStringLiteral("Frame");
const QString kStatus = QStringLiteral("Status");
const QString kTop = QStringLiteral("Top");
const QString kLeft = QStringLiteral("Left");
const QString kBottom = QStringLiteral("Bottom");
const QString kRight = QStringLiteral("Right");
const QString kSplitter = QStringLiteral("Splitter");
constexpr int kDefaultSplitterWidth = 256;
const QSize kDefaultSize(960, 640);

// The property that keeps an action's own text while an enable rule replaces it.
const char* const kOwnText = "pairwellOwnText";

QRect PrimaryWorkArea()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

QSize PrimaryScreenSize()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize(1024, 768);
}

QSize StandardIconSize()
{
    const int size = QApplication::style()->pixelMetric(QStyle::PM_LargeIconSize);
    return {size, size};
}

// The local .snc files among dropped URLs, as paths that round-trip to their bytes.
QStringList DroppedDocuments(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        const QString path = DecodeFileName(bytes);
        if (path.endsWith(QStringLiteral(".snc"), Qt::CaseInsensitive))
            paths << path;
    }
    return paths;
}

bool IsRecentFileCommand(int id)
{
    return id >= Cmd::FileMru1 && id < Cmd::FileMru1 + Cmd::FileMruCount;
}

} // namespace

CMainFrame::CMainFrame(CMyDoc& doc, QWidget* parent) : QMainWindow(parent), m_doc(doc)
{
    setObjectName(QStringLiteral("CMainFrame"));
    setWindowIcon(ProgramIcon());
    setAcceptDrops(true);
    m_application = TheApp();

    m_docCommands = new CDocCommands(m_doc, this);
    // Runs started from this window show the preview list and a progress dialog,
    // and copy on a worker thread while the window keeps painting.
    InstallGuiSyncHooks(m_doc, this);
    RestorePlacement();
    BuildBars();
    BuildStatusBar();

    // The splitter with the two views; the left pane as wide as when the window last closed.
    m_splitter = new CSplitter(this);
    m_tree = new CProjectView(m_doc, *this);
    m_files = new CFileSyncView(m_doc, *this);
    m_splitter->SetPanes(m_tree, m_files);
    int leftWidth = CProfile::Instance().GetProfileInt(kSection, kSplitter, -1);
    if (leftWidth < 0)
        leftWidth = kDefaultSplitterWidth;
    m_splitter->SetLeftPaneWidth(leftWidth);
    setCentralWidget(m_splitter);
    m_activeView = m_tree;

    BuildMenus();
    BuildAccelerators();
    // Auto-sync's commands and timer, and the tray icon (hidden until a minimise into the tray).
    m_autoSync = new CAutoSync(*this);

    m_commandUpdate.setSingleShot(true);
    m_commandUpdate.setInterval(0);
    connect(&m_commandUpdate, &QTimer::timeout, this, &CMainFrame::UpdateCommandStates);
    qApp->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { OnFocusChanged(now); });
    connect(qApp, &QGuiApplication::commitDataRequest, this, &CMainFrame::OnCommitDataRequest);

    m_loadProgress.setInterval(200);
    connect(&m_loadProgress, &QTimer::timeout, this, &CMainFrame::ShowLoadProgress);
    connect(&m_doc, &CMyDoc::LoadingChanged, this, [this](bool loading) {
        // An auto-sync tick meanwhile waits for the next one, as under a run.
        if (loading) {
            m_loadProgress.start();
            if (!m_loadingBusy)
                m_loadingBusy = std::make_unique<CSyncBusyScope>();
        } else {
            m_loadProgress.stop();
            m_loadingBusy.reset();
        }
        ShowLoadProgress();
        UpdateCommandStates();
    });
    connect(&m_doc, &CMyDoc::PathNameChanged, this, &CMainFrame::UpdateTitle);
    connect(&m_doc, &CMyDoc::UpdateAllViews, this, &CMainFrame::ScheduleCommandUpdate);
    UpdateTitle();
    UpdateCommandStates();
}

CMainFrame::~CMainFrame()
{
    // Nothing reaches the frame while it comes apart.
    qApp->removeEventFilter(this);
    disconnect(qApp, nullptr, this, nullptr);
    m_doc.disconnect(this);
    m_commandUpdate.stop();
    m_destroying = true;
    // The views go first, while the frame they report to is still whole.
    m_activeView = nullptr;
    m_tree = nullptr;
    m_files = nullptr;
    delete std::exchange(m_splitter, nullptr);
}

// ---------------------------------------------------------------- bars

void CMainFrame::BuildBars()
{
    // Three rows: the project folder, the target folder, then the toolbar.
    m_projectPathBar = new CPathBar(LoadString(Str::ProjectFolder), Bar::ProjectPathBar);
    m_targetPathBar = new CPathBar(LoadString(Str::TargetFolder), Bar::TargetPathBar);
    // The two edits begin at the same place.
    const int labelWidth
        = std::max(m_projectPathBar->Label()->sizeHint().width(), m_targetPathBar->Label()->sizeHint().width());
    m_projectPathBar->Label()->setMinimumWidth(labelWidth);
    m_targetPathBar->Label()->setMinimumWidth(labelWidth);

    const auto addPathBar = [this](CPathBar* bar, const QString& title) {
        auto* band = new QToolBar(title, this);
        band->setObjectName(bar->objectName() + QStringLiteral("Band"));
        band->setFloatable(false);
        band->addWidget(bar);
        addToolBar(Qt::TopToolBarArea, band);
        addToolBarBreak(Qt::TopToolBarArea);
    };
    addPathBar(m_projectPathBar, LoadString(Str::ProjectFolder));
    addPathBar(m_targetPathBar, LoadString(Str::TargetFolder));

    m_toolBar = new QToolBar(QStringLiteral("ツール バー"), this);
    m_toolBar->setObjectName(IdName(Bar::Toolbar));
    m_toolBar->setFloatable(false);
    m_toolBar->setIconSize(QSize(Strip::Size, Strip::Size));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (int id : ToolbarCommands()) {
        if (id == 0) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction* action = CommandAction(id, CommandTooltip(id));
        action->setIcon(ToolbarIcon(id));
        action->setIconVisibleInMenu(false);
        m_toolBar->addAction(action);
    }
    addToolBar(Qt::TopToolBarArea, m_toolBar);
}

void CMainFrame::BuildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(IdName(Bar::StatusBar));
    m_readyLabel = new QLabel(Txt::Ready(), bar);
    bar->addWidget(m_readyLabel, 1);

    m_sizePane = new QLabel(bar);
    m_sizePane->setObjectName(IdName(Bar::SelectionSizePane));
    m_sizePane->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const QString sizeTemplate = QStringLiteral("000000000000 バイト : 000000000000 バイト");
    m_sizePane->setMinimumWidth(m_sizePane->fontMetrics().horizontalAdvance(sizeTemplate) + 8);
    m_sizePane->setText(SelectionSizeText());
    bar->addPermanentWidget(m_sizePane);
}

QMenu* CMainFrame::createPopupMenu()
{
    // The bars stay where they are: no menu for hiding them.
    return nullptr;
}

// ---------------------------------------------------------------- menus and keys

QAction* CMainFrame::CommandAction(int id, const QString& text)
{
    if (QAction* existing = m_actions.value(id))
        return existing;
    auto* action = new QAction(text, this);
    action->setData(id);
    action->setProperty(kOwnText, text);
    const QString tooltip = CommandTooltip(id);
    if (!tooltip.isEmpty())
        action->setToolTip(tooltip);
    action->setStatusTip(CommandPrompt(id));
    action->setEnabled(false);
    connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
    m_actions.insert(id, action);
    return action;
}

void CMainFrame::AddMenuItems(QMenu* menu, const std::vector<MenuItemDef>& items)
{
    for (const MenuItemDef& item : items) {
        if (item.IsSeparator()) {
            menu->addSeparator();
        } else if (item.IsSubmenu()) {
            QMenu* submenu = menu->addMenu(item.text);
            connect(submenu, &QMenu::aboutToShow, this, [this, submenu] { UpdateMenu(submenu); });
            AddMenuItems(submenu, item.items);
        } else if (item.id == Cmd::FileMru1) {
            // The place of the recent files: four entries, the first standing
            // for the empty list with the item's own text.
            for (int i = 0; i < Cmd::FileMruCount; ++i) {
                QAction* action = CommandAction(Cmd::FileMru1 + i, i == 0 ? item.text : QString());
                menu->addAction(action);
            }
        } else {
            QAction* action = CommandAction(item.id, item.DisplayText());
            if (action->text() != item.DisplayText()) {
                // Already made for the toolbar: the menu shows its own text.
                action->setText(item.DisplayText());
                action->setProperty(kOwnText, item.DisplayText());
            }
            menu->addAction(action);
        }
    }
}

void CMainFrame::BuildMenus()
{
    QMenuBar* bar = menuBar();
    for (const MenuItemDef& top : MainMenuDefinition()) {
        QMenu* menu = bar->addMenu(top.text);
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { UpdateMenu(menu); });
        AddMenuItems(menu, top.items);
        if (!m_fileMenu)
            m_fileMenu = menu;
    }
    UpdateRecentFileItems();
}

void CMainFrame::BuildAccelerators()
{
    for (const AcceleratorDef& key : MainAccelerators()) {
        // The standard editing keys have no handler; left to the widgets they
        // keep their usual meaning (copying a path from a path bar). Printing
        // is not part of the program, so Ctrl+P does nothing.
        if (!key.handled || key.id == Cmd::FilePrint)
            continue;
        auto* action = new QAction(this);
        action->setShortcut(QKeySequence(key.key, QKeySequence::PortableText));
        action->setShortcutContext(Qt::WindowShortcut);
        const int id = key.id;
        connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
        addAction(action);
        m_accelerators.insert(key.key, action);
    }
    // Shift+F10 opens the context menu of the focused pane, as the Menu key does.
    auto* contextMenu = new QAction(this);
    contextMenu->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10));
    contextMenu->setShortcutContext(Qt::WindowShortcut);
    connect(contextMenu, &QAction::triggered, this, &CMainFrame::ShowFocusContextMenu);
    addAction(contextMenu);
    m_accelerators.insert(QStringLiteral("Shift+F10"), contextMenu);
}

void CMainFrame::ShowFocusContextMenu()
{
    QWidget* focus = QApplication::focusWidget();
    if (!focus || focus->window() != this)
        focus = ActiveViewWidget();
    if (!focus)
        return;
    // The event the Menu key gives: from the keyboard, at the focus. Each
    // pane places its menu itself (5 pixels into the pane).
    const QPoint at = focus->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Keyboard, at, focus->mapToGlobal(at), Qt::NoModifier);
    QCoreApplication::sendEvent(focus, &event);
}

QAction* CMainFrame::AcceleratorAction(const QString& key) const
{
    return m_accelerators.value(key);
}

void CMainFrame::UpdateAction(QAction* action)
{
    const int id = action->data().toInt();
    const CommandState state = CommandStateOf(id);
    action->setEnabled(state.enabled);
    action->setCheckable(state.checked);
    action->setChecked(state.checked);
    if (!IsRecentFileCommand(id))
        action->setText(state.text.isEmpty() ? action->property(kOwnText).toString() : state.text);
}

void CMainFrame::UpdateMenu(QMenu* menu)
{
    if (menu == m_fileMenu)
        UpdateRecentFileItems();
    for (QAction* action : menu->actions()) {
        if (m_actions.value(action->data().toInt()) == action)
            UpdateAction(action);
    }
}

void CMainFrame::UpdateRecentFileItems()
{
    const CRecentFileList& recent = RecentFileList();
    for (int i = 0; i < Cmd::FileMruCount; ++i) {
        QAction* action = m_actions.value(Cmd::FileMru1 + i);
        if (!action)
            continue;
        if (i < recent.Size()) {
            action->setText(recent.MenuText(i));
            action->setVisible(true);
        } else {
            // An empty list shows the item's own text, disabled.
            action->setText(action->property(kOwnText).toString());
            action->setVisible(i == 0);
        }
        UpdateAction(action);
    }
}

void CMainFrame::UpdateCommandStates()
{
    if (m_destroying)
        return;
    for (QAction* action : std::as_const(m_actions))
        UpdateAction(action);
    UpdateRecentFileItems();
}

void CMainFrame::ScheduleCommandUpdate()
{
    if (!m_commandUpdate.isActive())
        m_commandUpdate.start();
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    // Like an idle update: after user input the toolbar follows the enable rules.
    switch (event->type()) {
    case QEvent::MouseButtonRelease:
    case QEvent::KeyRelease:
        ScheduleCommandUpdate();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------- routing

QWidget* CMainFrame::ActiveViewWidget() const
{
    if (m_activeView == static_cast<ICommandTarget*>(m_files))
        return m_files;
    return m_tree;
}

void CMainFrame::SetActiveView(QWidget* view)
{
    ICommandTarget* target = nullptr;
    if (view == m_tree)
        target = m_tree;
    else if (view == m_files)
        target = m_files;
    if (!target || target == m_activeView)
        return;
    m_activeView = target;
    ScheduleCommandUpdate();
}

void CMainFrame::OnFocusChanged(QWidget* now)
{
    if (!now || !m_tree || !m_files)
        return;
    if (now == m_tree || m_tree->isAncestorOf(now))
        SetActiveView(m_tree);
    else if (now == m_files || m_files->isAncestorOf(now))
        SetActiveView(m_files);
}

ICommandTarget* CMainFrame::CommandTargetFor(int id) const
{
    const int handlerId = Cmd::RoutedCommand(id);
    if (handlerId != id) {
        // The toolbar's create-project and project-state buttons and the Edit
        // menu's delete-project item run the tree's commands, whichever pane is active.
        return m_tree && m_tree->HandlesCommand(handlerId) ? m_tree : nullptr;
    }
    const ICommandTarget* self = this;
    for (ICommandTarget* target : {m_activeView, static_cast<ICommandTarget*>(m_docCommands),
             const_cast<ICommandTarget*>(self), static_cast<ICommandTarget*>(m_autoSync), m_application}) {
        if (target && target->HandlesCommand(id))
            return target;
    }
    return nullptr;
}

bool CMainFrame::WaitsForDocument(int id, const ICommandTarget* target) const
{
    if (!m_doc.IsLoading())
        return false;
    if (target == this || target == m_application)
        return false;
    if (target == m_docCommands)
        return !(id == Cmd::FileNew || id == Cmd::FileOpen || IsRecentFileCommand(id));
    return true;
}

void CMainFrame::ShowLoadProgress()
{
    if (!m_readyLabel)
        return;
    if (!m_doc.IsLoading()) {
        m_readyLabel->setText(Txt::Ready());
        return;
    }
    const QString text = m_doc.IsRescanning() ? QStringLiteral("再検索中: フォルダ %L1、ファイル %L2")
                                              : QStringLiteral("読み込み中: フォルダ %L1、ファイル %L2");
    m_readyLabel->setText(text.arg(m_doc.LoadedFolders()).arg(m_doc.LoadedFiles()));
}

CommandState CMainFrame::CommandStateOf(int id)
{
    CommandState state;
    if (ICommandTarget* target = CommandTargetFor(id)) {
        target->UpdateCommand(Cmd::RoutedCommand(id), state);
        if (WaitsForDocument(id, target))
            state.enabled = false;
    }
    return state;
}

bool CMainFrame::RunCommand(int id)
{
    ICommandTarget* target = CommandTargetFor(id);
    if (!target)
        return false;
    CommandState state;
    target->UpdateCommand(Cmd::RoutedCommand(id), state);
    if (!state.enabled || WaitsForDocument(id, target)) {
        UpdateCommandStates();
        return false;
    }
    target->ExecuteCommand(Cmd::RoutedCommand(id));
    UpdateCommandStates();
    return true;
}

bool CMainFrame::HandlesCommand(int id) const
{
    switch (id) {
    case Cmd::Help:
    case Cmd::ContextHelp:
    case Cmd::EditColumns:
    case Cmd::RestoreFromTray:
    case Cmd::NextPane:
    case Cmd::PrevPane:
        return true;
    default:
        return false;
    }
}

void CMainFrame::UpdateCommand(int id, CommandState& state)
{
    state.enabled = HandlesCommand(id);
}

void CMainFrame::ExecuteCommand(int id)
{
    switch (id) {
    case Cmd::Help:
        OpenHelp();
        break;
    case Cmd::ContextHelp:
        QWhatsThis::enterWhatsThisMode();
        break;
    case Cmd::EditColumns:
        // Always available from the menu: the file list edits its columns
        // even while the tree is the active pane.
        if (m_files->HandlesCommand(Cmd::EditColumns))
            m_files->ExecuteCommand(Cmd::EditColumns);
        break;
    case Cmd::RestoreFromTray:
        RestoreWindow();
        break;
    case Cmd::NextPane:
    case Cmd::PrevPane:
        SwitchPane();
        break;
    default:
        break;
    }
}

void CMainFrame::SwitchPane()
{
    // Two panes: the next and the previous pane are the same one.
    QWidget* next = ActiveViewWidget() == m_tree ? static_cast<QWidget*>(m_files) : m_tree;
    next->setFocus(Qt::TabFocusReason);
    SetActiveView(next);
}

void CMainFrame::RestoreWindow()
{
    // Normal priority, the views refreshed, the window shown, and a running
    // auto-sync stopped with a message.
    m_autoSync->RestoreFromTray();
}

// ---------------------------------------------------------------- IMainFrame

void CMainFrame::ShowProjectFolderPath(const QString& path)
{
    m_projectPathBar->SetPath(path);
}

void CMainFrame::ShowTargetFolderPath(const QString& path)
{
    m_targetPathBar->SetPath(path);
}

void CMainFrame::ShowSelectionSizes(qint64 projectBytes, qint64 targetBytes)
{
    if (m_destroying)
        return;
    m_selectedProjectBytes = projectBytes;
    m_selectedTargetBytes = targetBytes;
    m_sizePane->setText(SelectionSizeText());
}

QString CMainFrame::FormatSelectionSizes(qint64 projectBytes, qint64 targetBytes)
{
    // Two's complement difference: defined for every pair of values.
    const auto difference = static_cast<qint64>(static_cast<quint64>(projectBytes) - static_cast<quint64>(targetBytes));
    return QStringLiteral("%1 - %2 = %3").arg(projectBytes).arg(targetBytes).arg(difference);
}

QString CMainFrame::SelectionSizeText() const
{
    return FormatSelectionSizes(m_selectedProjectBytes, m_selectedTargetBytes);
}

void CMainFrame::UpdateTitle()
{
    setWindowTitle(QStringLiteral("%1 - %2").arg(m_doc.GetTitle(), LoadString(Str::AppTitle)));
}

// ---------------------------------------------------------------- placement

bool CMainFrame::ReadPlacement(FramePlacement* placement)
{
    const CProfile& profile = CProfile::Instance();
    int values[5];
    const QString* names[5] = {&kStatus, &kTop, &kLeft, &kBottom, &kRight};
    for (int i = 0; i < 5; ++i) {
        values[i] = profile.GetProfileInt(kSection, *names[i], -1);
        if (values[i] == -1)
            return false;
    }
    placement->status = values[0];
    placement->top = values[1];
    placement->left = values[2];
    placement->bottom = values[3];
    placement->right = values[4];
    return true;
}

QRect CMainFrame::RestoredRect(
    const FramePlacement& placement, const QRect& workArea, const QSize& screenSize, const QSize& iconSize)
{
    const qint64 width = qint64(placement.right) - placement.left;
    const qint64 height = qint64(placement.bottom) - placement.top;
    if (width <= 0 || height <= 0 || width > INT_MAX / 2 || height > INT_MAX / 2)
        return {};
    qint64 x = std::min<qint64>(qint64(placement.left) + workArea.left(), screenSize.width() - iconSize.width());
    qint64 y = std::min<qint64>(qint64(placement.top) + workArea.top(), screenSize.height() - iconSize.height());
    // Nor so far up or left that the title bar, or the whole window, is out
    // of reach: an icon's width of the window stays on the screen.
    x = std::max<qint64>(x, qint64(workArea.left()) + iconSize.width() - width);
    y = std::max<qint64>(y, workArea.top());
    return {static_cast<int>(x), static_cast<int>(y), static_cast<int>(width), static_cast<int>(height)};
}

void CMainFrame::RestorePlacement()
{
    resize(kDefaultSize.boundedTo(PrimaryWorkArea().size()));
    FramePlacement placement;
    if (!ReadPlacement(&placement))
        return;
    const QRect rect = RestoredRect(placement, PrimaryWorkArea(), PrimaryScreenSize(), StandardIconSize());
    if (rect.isEmpty())
        return;
    switch (placement.status) {
    case FrameShow::Minimized:
    case 6: // minimise
    case 7: // minimised without activation
        m_initialShowState = FrameShow::Minimized;
        break;
    case FrameShow::Maximized:
        m_initialShowState = FrameShow::Maximized;
        break;
    default:
        m_initialShowState = FrameShow::Normal;
        break;
    }
    setGeometry(rect);
}

void CMainFrame::SavePlacement()
{
    CProfile& profile = CProfile::Instance();
    const int status = isMinimized() ? FrameShow::Minimized : isMaximized() ? FrameShow::Maximized : FrameShow::Normal;
    QRect rect = normalGeometry();
    if (!rect.isValid())
        rect = geometry();
    const QRect workArea = PrimaryWorkArea();
    const int left = rect.x() - workArea.x();
    const int top = rect.y() - workArea.y();
    profile.WriteProfileInt(kSection, kStatus, status);
    profile.WriteProfileInt(kSection, kTop, top);
    profile.WriteProfileInt(kSection, kLeft, left);
    profile.WriteProfileInt(kSection, kBottom, top + rect.height());
    profile.WriteProfileInt(kSection, kRight, left + rect.width());
    profile.WriteProfileInt(kSection, kSplitter, m_splitter->LeftPaneWidth());
}

void CMainFrame::ShowInitially(bool minimized)
{
    if (minimized || m_initialShowState == FrameShow::Minimized)
        showMinimized();
    else if (m_initialShowState == FrameShow::Maximized)
        showMaximized();
    else
        show();
}

// ---------------------------------------------------------------- window events

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // The placement is written whether or not the close goes on.
    SavePlacement();
    if (!m_docCommands->SaveModified()) {
        event->ignore();
        return;
    }
    event->accept();
    // A document still being opened is let go: its worker stops at once.
    m_doc.CancelLoading();
    m_autoSync->OnFrameClosed();
}

void CMainFrame::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    if (isMinimized() && !(change->oldState() & Qt::WindowMinimized)) {
        // After the window has finished minimising, as the sizing handler did.
        QMetaObject::invokeMethod(this, &CMainFrame::OnMinimized, Qt::QueuedConnection);
    }
}

void CMainFrame::OnMinimized()
{
    if (m_doc.IsLoading()) {
        // The unattended switches act on the whole tree: once it is there.
        auto connection = std::make_shared<QMetaObject::Connection>();
        *connection = connect(&m_doc, &CMyDoc::LoadFinished, this, [this, connection](bool ok) {
            disconnect(*connection);
            if (ok && isMinimized())
                OnMinimized();
        });
        return;
    }
    if (GlobalOptionDisp().Flags & DispFlag::MinimizeToTray)
        HideIntoTray();

    CMainApp* app = TheApp();
    if (!app)
        return;
    if (app->SyncAtStart()) {
        SyncAllNow();
        if (app->ExitAfterSync()) {
            const SyncRunResult& result = m_autoSync->LastRunResult();
            if (result.AnyFailed() || !result.skippedProjects.isEmpty())
                app->NoteUnattendedRunFailed();
            QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
            return;
        }
    }
    if (app->AutoSyncRunning())
        ArmAutoSyncTimer(app->AutoSyncMinutes());
}

bool CMainFrame::HideIntoTray()
{
    return m_autoSync->HideIntoTray();
}

void CMainFrame::ArmAutoSyncTimer(int minutes)
{
    m_autoSync->ArmTimer(minutes);
}

void CMainFrame::SyncAllNow()
{
    m_autoSync->SyncAllNow();
}

bool CMainFrame::QueryEndSession()
{
    const bool rescanning = m_doc.IsRescanning();
    if (!m_docCommands->SaveModified())
        return false;
    const CMainApp* app = TheApp();
    if (!app || !app->SyncOnEndSession())
        return true;
    // The save question stopped the rescan: the run acts on the whole tree.
    if (rescanning)
        m_doc.BeginRescan();
    if (m_doc.WaitForLoading())
        SyncAllNow();
    return true;
}

void CMainFrame::OnCommitDataRequest(QSessionManager& manager)
{
    if (manager.allowsInteraction()) {
        const bool mayEnd = QueryEndSession();
        manager.release();
        if (!mayEnd)
            manager.cancel();
        return;
    }
    // No questions allowed: the export still runs.
    const CMainApp* app = TheApp();
    if (app && app->SyncOnEndSession() && m_doc.WaitForLoading())
        SyncAllNow();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedDocuments(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    const QStringList paths = DroppedDocuments(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    // Opened once the drop is over, so that a question about saving is not
    // asked in the middle of a drag.
    const QString path = paths.first();
    QMetaObject::invokeMethod(
        this,
        [this, path] {
            activateWindow();
            m_docCommands->OpenDocumentFile(path);
            UpdateCommandStates();
        },
        Qt::QueuedConnection);
}

// ---------------------------------------------------------------- help

QString CMainFrame::HelpPath() const
{
    const QString configured = GlobalOptionDisp().GetHelpFilePath();
    if (!configured.isEmpty())
        return configured;
    const CMainApp* app = TheApp();
    const QString programDir = app && !app->ProgramDirectory().isEmpty()
        ? app->ProgramDirectory()
        : GetParentFolder(QCoreApplication::applicationFilePath());
    const QString beside = JoinPath(programDir, QStringLiteral("help/Welcome.htm"));
    if (PathExists(beside))
        return beside;
    // An installed program keeps it under the prefix's share folder.
    const QString installed = JoinPath(programDir, QStringLiteral("../share/pairwell/help/Welcome.htm"));
    return PathExists(installed) ? installed : beside;
}

bool CMainFrame::OpenHelp()
{
    // As any file of the lists is opened, with the same messages; the help
    // may also be a web address (the online help page).
    const QString path = HelpPath();
    if (path.contains(QStringLiteral("://")))
        return OpenAddress(this, path);
    return OpenPath(this, path);
}
