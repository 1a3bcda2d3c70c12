#pragma once

// Numeric ids of the program's strings, dialogs, controls and bars. Widgets
// carry the id of their control as their object name (see IdName in Texts.h).

// String table entries (LoadString in Texts.h).
namespace Str {
constexpr int ProjectNewer = 105; // "プロジェクトが最新"
constexpr int SelectTargetFolder = 112; // "ターゲットフォルダの選択"
constexpr int SelectProjectFolder = 113; // "プロジェクトフォルダの選択"
constexpr int LibraryTooOld = 139; // appended to a library name at start-up
constexpr int TargetFolder = 150; // "ターゲットフォルダ" (path bar label)
constexpr int ProjectFolder = 151; // "プロジェクトフォルダ" (path bar label)
constexpr int OptionsCaption = 153; // "オプション"
constexpr int TargetNewer = 164; // "ターゲットが最新"
constexpr int ProjectOnly = 165; // "プロジェクトにのみ存在"
constexpr int TargetOnly = 166; // "ターゲットにのみ存在"
constexpr int Excluded = 167; // "対象外"
constexpr int WithinTolerance = 168; // "誤差範囲内で一致"
constexpr int StateIconColumn = 169; // "同期状態アイコン"
constexpr int ExcludedIconColumn = 170; // "除外状態アイコン"
constexpr int Same = 171; // "同一"
constexpr int AppTitle = 57344; // "Pairwell"
} // namespace Str

// Dialogs, menus, icons and bitmaps.
namespace Res {
constexpr int AboutDialog = 100;
constexpr int FrameResources = 128; // menu, icon, accelerators, toolbar, document type
constexpr int ColumnEditDialog = 132;
constexpr int TrayMenu = 145; // also the tray icon id
constexpr int AutoSyncDialog = 146;
constexpr int FolderSelectDialog = 147;
constexpr int PictureStrip = 157; // bitmap of the shared picture strip
constexpr int NameInputDialog = 157;
constexpr int PathBar = 158;
constexpr int TrayCallbackMessage = 1034;
} // namespace Res

// Controls.
namespace Ctl {
constexpr int Ok = 1;
constexpr int Cancel = 2;
constexpr int PathBarEdit = 0;
constexpr int ColumnList = 1004;
constexpr int MoveUp = 1005;
constexpr int MoveDown = 1006;
constexpr int ColumnWidth = 1008;
constexpr int NameEdit = 1016;
constexpr int FolderPathEdit = 1101;
constexpr int FolderTree = 1111;
constexpr int CreateFolder = 1112;
} // namespace Ctl

// Bars of the main frame.
namespace Bar {
constexpr int Toolbar = 59392;
constexpr int StatusBar = 59393;
constexpr int Rebar = 59396;
constexpr int ProjectPathBar = 59397;
constexpr int TargetPathBar = 59398;
constexpr int SelectionSizePane = 122;
} // namespace Bar
