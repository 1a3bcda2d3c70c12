#pragma once

#include "core/settings/CAppOptionSync.h"

#include <QString>
#include <QStringList>
#include <memory>

class CAppProject;
class CSyncProject;

// The rules behind the create-project dialog and the project property sheet.
// The dialogs only show the values; every check, question and change of the
// tree is made here, through the prompt interface.

// What the create-project dialog holds.
struct NewProjectValues
{
    QString projectFolder;
    QString targetFolder; // may be empty
    bool includeSubfolders = true; // "サブフォルダも対象(&S)"
};

enum class NewProjectCheck {
    Ok,
    InvalidProjectFolder, // not an existing folder, or not an absolute path
    InvalidTargetFolder, // given, but not an absolute path
    FoldersOverlap, // one folder is the other or lies inside it
    TargetDeclined, // the user did not want the missing target folder created
    TargetNotCreated, // creating it failed
};

// The dialog's OK: the project folder must exist; a target folder, when
// given, must be an absolute path, and neither folder may be the other or lie
// inside it; a missing target folder is created (one level) after the
// question. An empty target folder is accepted: the project then has no
// target side, and runs leave it out until one is set. False keeps the dialog
// open (the reason was shown, and is given in `why` when asked for).
bool ValidateNewProject(const NewProjectValues& values, NewProjectCheck* why = nullptr);

// Creates the project under `root` and scans it. When a project with the same
// key (the upper-cased last component of the project folder) exists, the
// message is shown and nothing is created: null.
CSyncProject* CreateProject(CAppProject& root, const NewProjectValues& values);
// As CreateProject, but neither scanned nor added to `root`: for a caller
// that scans it elsewhere (the window's worker) before it joins the tree.
std::unique_ptr<CSyncProject> NewProject(CAppProject& root, const NewProjectValues& values);

// What the project property sheet holds: the folder page, the local filter page
// and the sync settings page.
struct ProjectSheetValues
{
    // Folder page.
    bool noSync = false; // "このフォルダを同期しない(&F)"
    bool noSubfolderSearch = false; // "このフォルダのサブフォルダを検索しない(&E)"
    QString projectFolder;
    QString targetFolder;
    bool customName = false; // "表示する文字列を指定する(&N)"
    QString displayName; // "表示するフォルダ名(&D)"
    bool foldersEdited = false; // the folders or the display name were typed in
    // Local filter page.
    bool filterUseCommon = true;
    QStringList ownFilters;
    bool filterSubtree = false;
    // Sync settings page: the working record (a copy of the own options' flags).
    bool optionsUseCommon = true;
    CAppOptionSync options;
    bool optionsSubtree = false;
};

// The values the sheet opens with for `node`.
ProjectSheetValues ReadProjectSheet(const CSyncProject& node);

// The title of the sheet: "/" and each display name from the top-level project down ("/Proj/sub").
QString ProjectSheetTitle(const CSyncProject& node);

// The folder page's OK (only when the folders were edited): both folders must
// be given as absolute paths, neither the other nor inside it; false keeps the
// sheet open on the folder page (the reason was shown or the user said No).
bool ValidateProjectSheet(const ProjectSheetValues& values);

enum class SheetResult {
    Applied, // the node was changed
    ShowAgain, // a message or a No: show the sheet again with the same values
    Cancelled, // nothing changed
};

// Applies the confirmed sheet to `node`: refuses a name that a sibling already
// has, asks before changing the folders (which rebuilds the subtree with the
// common settings), sets the switches, the name, the sync options and the
// filter selection, rescans the node and re-keys it in its parent.
SheetResult ApplyProjectSheet(CSyncProject& node, const ProjectSheetValues& values);
// ApplyProjectSheet without the rescan, which the caller then owes the node
// (the window rescans it on its worker once the sheet is closed).
SheetResult ApplyProjectSheetSettings(CSyncProject& node, const ProjectSheetValues& values);

// Message texts of these rules.
namespace ProjectText {
inline const QString InvalidFolder = QStringLiteral("有効なフォルダ名を指定してください。");
inline const QString CreateTarget = QStringLiteral("ターゲットフォルダを作成しますか？");
inline const QString CannotCreateFolder = QStringLiteral("ディレクトリが作成できません。");
inline const QString AlreadyRegistered = QStringLiteral("指定されたプロジェクトフォルダはすでに登録されています。");
inline const QString NoProjectFolder = QStringLiteral("プロジェクトフォルダを指定してください。");
inline const QString ProjectFolderMissing
    = QStringLiteral("指定されたプロジェクトフォルダは存在しません。登録してよろしいですか？");
inline const QString NoTargetFolder = QStringLiteral("ターゲットフォルダを指定してください。");
inline const QString TargetFolderMissing
    = QStringLiteral("指定されたターゲットフォルダは存在しません。登録してよろしいですか？");
inline const QString FoldersOverlap = QStringLiteral(
    "プロジェクトフォルダとターゲットフォルダには、同じフォルダや、一方の中にあるもう一方のフォルダは指定できません。");
inline const QString NoDisplayName = QStringLiteral("プロジェクト名を指定して下さい。");
inline const QString FolderChangeResets
    = QStringLiteral("フォルダを変更すると、このプロジェクト以下が共通設定で初期化されます。よろしいですか？");
} // namespace ProjectText
