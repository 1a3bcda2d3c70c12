#include "core/resources/Menus.h"

#include "core/resources/CommandIds.h"

namespace {

using Items = std::vector<MenuItemDef>;

MenuItemDef Cmd_(int id, const QString& text, const QString& accelerator = {})
{
    return MenuItemDef::Command(id, text, accelerator);
}

MenuItemDef Sep()
{
    return MenuItemDef::Separator();
}

MenuItemDef Sub(const QString& text, Items items)
{
    return MenuItemDef::Submenu(text, std::move(items));
}

// "プロジェクトフォルダ(&P)", "ターゲットフォルダ(&T)", "両方(&B)" with the given three commands.
Items FolderChoice(int projectId, int targetId, int bothId)
{
    return {Cmd_(projectId, QStringLiteral("プロジェクトフォルダ(&P)")),
        Cmd_(targetId, QStringLiteral("ターゲットフォルダ(&T)")), Cmd_(bothId, QStringLiteral("両方(&B)"))};
}

Items OpenFolderItems()
{
    return FolderChoice(Cmd::OpenProjectFolder, Cmd::OpenTargetFolder, Cmd::OpenBoth);
}

Items PropertyFolderItems()
{
    return FolderChoice(Cmd::ProjectFolderProperties, Cmd::TargetFolderProperties, Cmd::BothProperties);
}

// Properties of a project: the project itself, then its folders.
Items ProjectPropertyItems()
{
    return {Cmd_(Cmd::ProjectProperties, QStringLiteral("プロジェクト(&P)")),
        Sub(QStringLiteral("フォルダ(&F)"), PropertyFolderItems())};
}

Items CompareItems()
{
    return {Cmd_(Cmd::CompareText, QStringLiteral("テキスト比較(&T)")),
        Cmd_(Cmd::CompareBinary, QStringLiteral("バイナリ比較(&B)"))};
}

const MenuItemDef* FindIn(const Items& items, int id)
{
    for (const MenuItemDef& item : items) {
        if (item.id == id && id != 0)
            return &item;
        if (const MenuItemDef* found = FindIn(item.items, id))
            return found;
    }
    return nullptr;
}

} // namespace

QString MenuItemDef::DisplayText() const
{
    return accelerator.isEmpty() ? text : text + QLatin1Char('\t') + accelerator;
}

MenuItemDef MenuItemDef::Command(int id, const QString& text, const QString& accelerator)
{
    MenuItemDef item;
    item.id = id;
    item.text = text;
    item.accelerator = accelerator;
    return item;
}

MenuItemDef MenuItemDef::Separator()
{
    return {};
}

MenuItemDef MenuItemDef::Submenu(const QString& text, std::vector<MenuItemDef> items)
{
    MenuItemDef item;
    item.text = text;
    item.items = std::move(items);
    return item;
}

std::vector<MenuItemDef> MainMenuDefinition()
{
    Items menus;
    menus.push_back(Sub(QStringLiteral("ファイル(&F)"),
        {
            Cmd_(Cmd::CreateProject, QStringLiteral("プロジェクトの作成(&P)...")),
            Sep(),
            Cmd_(Cmd::FileNew, QStringLiteral("新規作成(&N)"), QStringLiteral("Ctrl+N")),
            Cmd_(Cmd::FileOpen, QStringLiteral("開く(&O)"), QStringLiteral("Ctrl+O")),
            Cmd_(Cmd::FileSave, QStringLiteral("上書き保存(&S)"), QStringLiteral("Ctrl+S")),
            Cmd_(Cmd::FileSaveAs, QStringLiteral("名前を付けて保存(&A)")),
            Sep(),
            Cmd_(Cmd::FileMru1, QStringLiteral("最近使ったファイル")),
            Sep(),
            Cmd_(Cmd::AppExit, QStringLiteral("アプリケーションの終了(&X)")),
        }));
    menus.push_back(Sub(QStringLiteral("編集(&E)"),
        {
            Sub(QStringLiteral("削除(&D)..."),
                {
                    Cmd_(Cmd::MenuDeleteProject, QStringLiteral("プロジェクト(&P)")),
                    Cmd_(Cmd::DeleteFolder, QStringLiteral("フォルダ(&F)...")),
                    Cmd_(Cmd::Delete, QStringLiteral("ファイル(&D)...")),
                }),
        }));
    menus.push_back(Sub(QStringLiteral("表示(&V)"),
        {
            Cmd_(Cmd::ShowFileSyncState, QStringLiteral("ファイル同期状態の表示(&S)")),
            Cmd_(Cmd::ShowProjectSyncState, QStringLiteral("プロジェクト同期状態の表示(&D)")),
            Cmd_(Cmd::Refresh, QStringLiteral("最新の状態を表示"), QStringLiteral("F5")),
            Sep(),
            Cmd_(Cmd::EditColumns, QStringLiteral("表示項目の編集(&C)...")),
            Sep(),
            Sub(QStringLiteral("フォルダを開く(&F)"), OpenFolderItems()),
            Sub(QStringLiteral("プロパティ(&P)"), ProjectPropertyItems()),
        }));
    menus.push_back(Sub(QStringLiteral("同期(&S)"),
        {
            Cmd_(Cmd::Export, QStringLiteral("エクスポート(&E)...")),
            Cmd_(Cmd::Import, QStringLiteral("インポート(&I)...")),
            Sep(),
            Cmd_(Cmd::ExportAll, QStringLiteral("全エクスポート(&F)...")),
            Cmd_(Cmd::ImportAll, QStringLiteral("全インポート(&J)...")),
            Sep(),
            Cmd_(Cmd::UndoLastRun, QStringLiteral("直前の同期を元に戻す(&U)")),
            Sep(),
            Sub(QStringLiteral("同期対象から除外(&X)"),
                {
                    Cmd_(Cmd::NoSync, QStringLiteral("このフォルダを同期しない(&F)")),
                    Cmd_(Cmd::NoSubfolderSearch, QStringLiteral("サブフォルダを検索しない(&D)")),
                }),
            Sep(),
            Cmd_(Cmd::StartAutoSync, QStringLiteral("自動同期の開始(&A)")),
        }));
    menus.push_back(Sub(QStringLiteral("ツール(&T)"),
        {
            Sub(QStringLiteral("比較(&C)"), CompareItems()),
            Sep(),
            Cmd_(Cmd::Options, QStringLiteral("オプション(&O)...")),
        }));
    menus.push_back(Sub(QStringLiteral("ヘルプ(&H)"),
        {
            Cmd_(Cmd::Help, QStringLiteral("目次(&C)")),
            Sep(),
            Cmd_(Cmd::AppAbout, QStringLiteral("Pairwell のバージョン情報(&A)...")),
        }));
    return menus;
}

MenuItemDef TreeContextMenuDefinition()
{
    return Sub({},
        {
            Cmd_(Cmd::CreateProject, QStringLiteral("プロジェクトの作成(&P)...")),
            Cmd_(Cmd::ShowFileSyncState, QStringLiteral("ファイル同期状態の表示(&S)")),
            Sep(),
            Cmd_(Cmd::Export, QStringLiteral("エクスポート(&E)...")),
            Cmd_(Cmd::Import, QStringLiteral("インポート(&I)...")),
            Sub(QStringLiteral("同期対象から除外(&X)"),
                {
                    Cmd_(Cmd::DisableFolderAndBelow, QStringLiteral("このフォルダ以下を無効にする(&A)")),
                    Cmd_(Cmd::NoSync, QStringLiteral("このフォルダを同期しない(&F)")),
                    Cmd_(Cmd::NoSubfolderSearch, QStringLiteral("サブフォルダを検索しない(&D)")),
                }),
            Sub(QStringLiteral("削除(&D)"),
                {
                    Cmd_(Cmd::DeleteProject, QStringLiteral("プロジェクト(&P)")),
                    Cmd_(Cmd::DeleteFolder, QStringLiteral("フォルダ(&F)...")),
                }),
            Sep(),
            Sub(QStringLiteral("フォルダを開く(&O)"), OpenFolderItems()),
            Sub(QStringLiteral("プロパティ(&R)"), ProjectPropertyItems()),
        });
}

MenuItemDef FileListContextMenuDefinition()
{
    return Sub({},
        {
            Cmd_(Cmd::Export, QStringLiteral("エクスポート(&E)...")),
            Cmd_(Cmd::Import, QStringLiteral("インポート(&I)...")),
            Cmd_(Cmd::Delete, QStringLiteral("削除(&D)...")),
            Sep(),
            Sub(QStringLiteral("開く(&O)"), OpenFolderItems()),
            Sub(QStringLiteral("プロパティ(&P)"), PropertyFolderItems()),
            Sub(QStringLiteral("比較(&C)"), CompareItems()),
        });
}

MenuItemDef HeaderContextMenuDefinition()
{
    return Sub({},
        {
            Cmd_(Cmd::SortAscending, QStringLiteral("昇順(&A)")),
            Cmd_(Cmd::SortDescending, QStringLiteral("降順(&D)")),
            Sep(),
            Cmd_(Cmd::EditColumns, QStringLiteral("表示項目の編集(&C)...")),
        });
}

MenuItemDef TrayMenuDefinition()
{
    return Sub({},
        {
            Cmd_(Cmd::StartAutoSync, QStringLiteral("自動同期の開始(&A)")),
            Cmd_(Cmd::StopAutoSync, QStringLiteral("自動同期の中止(&T)")),
            Cmd_(Cmd::RestoreFromTray, QStringLiteral("開く(&O)")),
            Cmd_(Cmd::AppExit, QStringLiteral("アプリケーションの終了(&X)")),
        });
}

std::vector<AcceleratorDef> MainAccelerators()
{
    return {
        {QStringLiteral("Del"), Cmd::Delete, true},
        {QStringLiteral("F1"), Cmd::Help, true},
        {QStringLiteral("Shift+F1"), Cmd::ContextHelp, true},
        {QStringLiteral("F5"), Cmd::Refresh, true},
        {QStringLiteral("Ctrl+N"), Cmd::FileNew, true},
        {QStringLiteral("Ctrl+O"), Cmd::FileOpen, true},
        {QStringLiteral("Ctrl+S"), Cmd::FileSave, true},
        {QStringLiteral("Ctrl+P"), Cmd::FilePrint, true},
        {QStringLiteral("Tab"), Cmd::NextPane, true},
        {QStringLiteral("Shift+Tab"), Cmd::PrevPane, true},
        {QStringLiteral("Ctrl+C"), Cmd::EditCopy, false},
        {QStringLiteral("Ctrl+X"), Cmd::EditCut, false},
        {QStringLiteral("Ctrl+V"), Cmd::EditPaste, false},
        {QStringLiteral("Ctrl+Z"), Cmd::EditUndo, false},
        {QStringLiteral("Ctrl+Ins"), Cmd::EditCopy, false},
        {QStringLiteral("Shift+Ins"), Cmd::EditPaste, false},
        {QStringLiteral("Shift+Del"), Cmd::EditCut, false},
        {QStringLiteral("Alt+Backspace"), Cmd::EditUndo, false},
    };
}

const MenuItemDef* FindMenuItem(const std::vector<MenuItemDef>& menus, int id)
{
    return FindIn(menus, id);
}
