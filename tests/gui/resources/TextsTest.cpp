#include "core/resources/Texts.h"
#include "core/resources/CommandIds.h"
#include "core/resources/Menus.h"
#include "core/resources/ResourceIds.h"

#include <QKeySequence>
#include <QStringList>
#include <gtest/gtest.h>
#include <set>

namespace {

void CollectIds(const std::vector<MenuItemDef>& items, std::vector<int>& ids)
{
    for (const MenuItemDef& item : items) {
        if (item.id != 0)
            ids.push_back(item.id);
        CollectIds(item.items, ids);
    }
}

std::vector<int> IdsOf(const MenuItemDef& menu)
{
    std::vector<int> ids;
    CollectIds(menu.items, ids);
    return ids;
}

TEST(Texts, CommandEntriesSplitIntoPromptAndTooltip)
{
    EXPECT_EQ(CommandPrompt(Cmd::Export),
        QStringLiteral("プロジェクトフォルダからターゲットフォルダへファイルをエクスポートします。"));
    EXPECT_EQ(CommandTooltip(Cmd::Export), QStringLiteral("エクスポート"));
    EXPECT_EQ(CommandPrompt(Cmd::Delete), QStringLiteral("選択したオブジェクトを削除します"));
    EXPECT_EQ(CommandTooltip(Cmd::ToolbarShowProjectState), QStringLiteral("プロジェクト同期状態表示"));
    // A prompt without a tooltip, and a command without an entry.
    EXPECT_EQ(CommandPrompt(Cmd::SaveFilters), QStringLiteral("フィルタをファイルに保存します。"));
    EXPECT_TRUE(CommandTooltip(Cmd::SaveFilters).isEmpty());
    EXPECT_TRUE(CommandPrompt(Cmd::NoSync).isEmpty());
    EXPECT_EQ(LoadString(Str::AppTitle), QStringLiteral("Pairwell"));
    EXPECT_EQ(LoadString(Str::SelectProjectFolder), QStringLiteral("プロジェクトフォルダの選択"));
}

TEST(Texts, EveryToolbarCommandHasPromptAndTooltip)
{
    for (int id : {Cmd::ToolbarCreateProject, Cmd::FileNew, Cmd::FileOpen, Cmd::FileSave, Cmd::Delete,
             Cmd::ToolbarShowProjectState, Cmd::ShowFileSyncState, Cmd::Import, Cmd::Export, Cmd::CompareText,
             Cmd::CompareBinary}) {
        EXPECT_FALSE(CommandPrompt(id).isEmpty()) << id;
        EXPECT_FALSE(CommandTooltip(id).isEmpty()) << id;
    }
}

TEST(Menus, MainMenuHasTheDesignedMenusAndEveryFrameCommand)
{
    const std::vector<MenuItemDef> menus = MainMenuDefinition();
    QStringList titles;
    for (const MenuItemDef& menu : menus) {
        EXPECT_TRUE(menu.IsSubmenu());
        titles << menu.text;
    }
    EXPECT_EQ(titles,
        (QStringList{QStringLiteral("ファイル(&F)"), QStringLiteral("編集(&E)"), QStringLiteral("表示(&V)"),
            QStringLiteral("同期(&S)"), QStringLiteral("ツール(&T)"), QStringLiteral("ヘルプ(&H)")}));
    std::vector<int> ids;
    CollectIds(menus, ids);
    const std::set<int> present(ids.begin(), ids.end());
    EXPECT_EQ(present.size(), ids.size()) << "a command appears twice in the menu bar";
    for (int id : {32842, 57600, 57601, 57603, 57604, 57616, 57665, 32817, 32830, 32772, 32797, 32844, 32788, 32839,
             32808, 32809, 32806, 32790, 32823, 32824, 32825, 32786, 32787, 32815, 32816, 32789, 32834, 32813, 32805,
             32804, 32783, 57670, 57664})
        EXPECT_TRUE(present.count(id)) << id;

    const MenuItemDef* save = FindMenuItem(menus, Cmd::FileSave);
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->DisplayText(), QStringLiteral("上書き保存(&S)\tCtrl+S"));
    EXPECT_EQ(FindMenuItem(menus, Cmd::Refresh)->DisplayText(), QStringLiteral("最新の状態を表示\tF5"));
    EXPECT_EQ(FindMenuItem(menus, Cmd::AppAbout)->text, QStringLiteral("Pairwell のバージョン情報(&A)..."));
    EXPECT_EQ(FindMenuItem(menus, Cmd::Delete)->text, QStringLiteral("ファイル(&D)..."));
}

TEST(Menus, ContextMenusListTheirCommandsInMenuOrder)
{
    EXPECT_EQ(IdsOf(TreeContextMenuDefinition()),
        (std::vector<int>{32842, 32797, 32786, 32787, 32841, 32789, 32834, 32845, 32830, 32808, 32809, 32806, 32790,
            32823, 32824, 32825}));
    EXPECT_EQ(IdsOf(FileListContextMenuDefinition()),
        (std::vector<int>{32786, 32787, 32772, 32808, 32809, 32806, 32823, 32824, 32825, 32805, 32804}));
    EXPECT_EQ(IdsOf(HeaderContextMenuDefinition()), (std::vector<int>{32836, 32837, 32839}));
    const MenuItemDef tray = TrayMenuDefinition();
    EXPECT_EQ(IdsOf(tray), (std::vector<int>{32813, 32814, 61202, 57665}));
    EXPECT_EQ(tray.items.front().text, QStringLiteral("自動同期の開始(&A)"));
    EXPECT_EQ(FileListContextMenuDefinition().items[2].text, QStringLiteral("削除(&D)..."));
    EXPECT_TRUE(HeaderContextMenuDefinition().items[2].IsSeparator());
}

TEST(Menus, CommandTextIsTheMenuText)
{
    EXPECT_EQ(CommandText(Cmd::CreateProject), QStringLiteral("プロジェクトの作成(&P)..."));
    EXPECT_EQ(CommandText(Cmd::DisableFolderAndBelow), QStringLiteral("このフォルダ以下を無効にする(&A)"));
    EXPECT_EQ(CommandText(Cmd::StopAutoSync), QStringLiteral("自動同期の中止(&T)"));
    EXPECT_EQ(CommandText(Cmd::SortDescending), QStringLiteral("降順(&D)"));
    EXPECT_TRUE(CommandText(12345).isEmpty());
}

TEST(Menus, AcceleratorsAreValidKeysForHandledCommands)
{
    std::set<int> handled;
    for (const AcceleratorDef& accelerator : MainAccelerators()) {
        const QKeySequence key(accelerator.key, QKeySequence::PortableText);
        EXPECT_FALSE(key.isEmpty()) << accelerator.key.toStdString();
        if (accelerator.handled)
            handled.insert(accelerator.id);
    }
    for (int id : {Cmd::Delete, Cmd::Help, Cmd::Refresh, Cmd::FileNew, Cmd::FileOpen, Cmd::FileSave})
        EXPECT_TRUE(handled.count(id)) << id;
    EXPECT_FALSE(handled.count(Cmd::EditCopy));
}

TEST(Commands, ToolbarAndEditMenuAliasesRunTheTreeCommands)
{
    static_assert(Cmd::RoutedCommand(32773) == 32842);
    static_assert(Cmd::RoutedCommand(32800) == 32844);
    static_assert(Cmd::RoutedCommand(32817) == 32845);
    static_assert(Cmd::RoutedCommand(32786) == 32786);
    SUCCEED();
}

} // namespace
