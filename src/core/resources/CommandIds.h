#pragma once

// Command ids of the menus, the toolbar, the accelerators, the context menus
// of the two views, the tray menu and the document. The numbers are fixed:
// QActions carry them, and the enable rules and handlers are keyed by them.
namespace Cmd {

// Project tree and main menu commands.
constexpr int Delete = 32772; // "削除(&D)..." of the file list, Delete key
constexpr int ToolbarCreateProject = 32773; // toolbar button; runs CreateProject
constexpr int Options = 32783; // "オプション(&O)..." (document)
constexpr int Export = 32786; // "エクスポート(&E)..."
constexpr int Import = 32787; // "インポート(&I)..."
constexpr int Refresh = 32788; // "最新の状態を表示", F5
constexpr int NoSync = 32789; // "このフォルダを同期しない(&F)"
constexpr int ProjectProperties = 32790; // "プロジェクト(&P)" under properties
constexpr int ShowFileSyncState = 32797; // "ファイル同期状態の表示(&S)"
constexpr int ToolbarShowProjectState = 32800; // toolbar button; runs ShowProjectSyncState
constexpr int SaveFilters = 32801; // document: no menu item, no action
constexpr int LoadFilters = 32802; // document: no menu item, no action
constexpr int CompareBinary = 32804; // "バイナリ比較(&B)"
constexpr int CompareText = 32805; // "テキスト比較(&T)"
constexpr int OpenBoth = 32806; // "両方(&B)" under open
constexpr int OpenProjectFolder = 32808; // "プロジェクトフォルダ(&P)" under open
constexpr int OpenTargetFolder = 32809; // "ターゲットフォルダ(&T)" under open
constexpr int StartAutoSync = 32813; // "自動同期の開始(&A)"
constexpr int StopAutoSync = 32814; // "自動同期の中止(&T)"
constexpr int ExportAll = 32815; // "全エクスポート(&F)..."
constexpr int ImportAll = 32816; // "全インポート(&J)..."
constexpr int MenuDeleteProject = 32817; // Edit menu "プロジェクト(&P)"; runs DeleteProject
constexpr int ProjectFolderProperties = 32823; // "プロジェクトフォルダ(&P)" under properties
constexpr int TargetFolderProperties = 32824; // "ターゲットフォルダ(&T)" under properties
constexpr int BothProperties = 32825; // "両方(&B)" under properties
constexpr int DeleteFolder = 32830; // "フォルダ(&F)..." under delete
constexpr int NoSubfolderSearch = 32834; // "サブフォルダを検索しない(&D)"
constexpr int SortAscending = 32836; // "昇順(&A)" (column header menu)
constexpr int SortDescending = 32837; // "降順(&D)" (column header menu)
constexpr int EditColumns = 32839; // "表示項目の編集(&C)..."
constexpr int DisableFolderAndBelow = 32841; // "このフォルダ以下を無効にする(&A)"
constexpr int CreateProject = 32842; // "プロジェクトの作成(&P)..."
constexpr int ShowProjectSyncState = 32844; // "プロジェクト同期状態の表示(&D)"
constexpr int DeleteProject = 32845; // "プロジェクト(&P)" under delete (tree)
constexpr int UndoLastRun = 32900; // "直前の同期を元に戻す(&U)" (document)

// Framework commands.
constexpr int FileNew = 57600;
constexpr int FileOpen = 57601;
constexpr int FileSave = 57603;
constexpr int FileSaveAs = 57604;
constexpr int FilePrintSetup = 57606;
constexpr int FilePrint = 57607;
constexpr int FilePrintDirect = 57608;
constexpr int FilePrintPreview = 57609;
constexpr int FileMru1 = 57616; // first entry of the recent-file list (4 entries: 57616 to 57619)
constexpr int FileMruCount = 4;
constexpr int EditCopy = 57634;
constexpr int EditCut = 57635;
constexpr int EditPaste = 57637;
constexpr int EditUndo = 57643;
constexpr int AppAbout = 57664;
constexpr int AppExit = 57665;
constexpr int ContextHelp = 57669;
constexpr int Help = 57670; // "目次(&C)", F1
constexpr int NextPane = 57680;
constexpr int PrevPane = 57681;
constexpr int RestoreFromTray = 61202; // tray "開く(&O)"

// Three commands of the toolbar and the Edit menu have no handler of their own;
// they run the tree view's command of the same meaning. Every other id maps to itself.
constexpr int RoutedCommand(int id)
{
    switch (id) {
    case ToolbarCreateProject:
        return CreateProject;
    case ToolbarShowProjectState:
        return ShowProjectSyncState;
    case MenuDeleteProject:
        return DeleteProject;
    default:
        return id;
    }
}

} // namespace Cmd
