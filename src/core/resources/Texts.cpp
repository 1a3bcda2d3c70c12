#include "core/resources/Texts.h"

#include "core/resources/CommandIds.h"
#include "core/resources/Menus.h"
#include "core/resources/ResourceIds.h"

#include <QHash>

namespace {

const QHash<int, QString>& StringTable()
{
    static const QHash<int, QString> table = {
        {Str::ProjectNewer, QStringLiteral("プロジェクトが最新")},
        {Str::SelectTargetFolder, QStringLiteral("ターゲットフォルダの選択")},
        {Str::SelectProjectFolder, QStringLiteral("プロジェクトフォルダの選択")},
        {Str::LibraryTooOld,
            QStringLiteral("が見つからないか、古いバージョンがインストールされています。\r\n"
                           "詳細はReadMe.txtの項目3.1.を参照して下さい。")},
        {Str::TargetFolder, QStringLiteral("ターゲットフォルダ")},
        {Str::ProjectFolder, QStringLiteral("プロジェクトフォルダ")},
        {Str::OptionsCaption, QStringLiteral("オプション")},
        {Str::TargetNewer, QStringLiteral("ターゲットが最新")},
        {Str::ProjectOnly, QStringLiteral("プロジェクトにのみ存在")},
        {Str::TargetOnly, QStringLiteral("ターゲットにのみ存在")},
        {Str::Excluded, QStringLiteral("対象外")},
        {Str::WithinTolerance, QStringLiteral("誤差範囲内で一致")},
        {Str::StateIconColumn, QStringLiteral("同期状態アイコン")},
        {Str::ExcludedIconColumn, QStringLiteral("除外状態アイコン")},
        {Str::Same, QStringLiteral("同一")},
        {Str::AppTitle, QStringLiteral("Pairwell")},

        // Status-bar prompts and tooltips of the commands.
        {Cmd::ToolbarCreateProject, QStringLiteral("新しいプロジェクトを作成します。\nプロジェクトの作成")},
        {Cmd::Delete, QStringLiteral("選択したオブジェクトを削除します\n削除")},
        {Cmd::ToolbarShowProjectState,
            QStringLiteral("プロジェクトの同期状態を表示します。\nプロジェクト同期状態表示")},
        {Cmd::ShowFileSyncState, QStringLiteral("ファイルの同期状態を表示します。\nファイル同期状態表示")},
        {Cmd::Import,
            QStringLiteral("ターゲットフォルダからプロジェクトフォルダへファイルをインポートします。\nインポート")},
        {Cmd::Export,
            QStringLiteral("プロジェクトフォルダからターゲットフォルダへファイルをエクスポートします。\nエクスポート")},
        {Cmd::CompareText, QStringLiteral("ファイルをテキスト比較ツールで比較します。\nテキスト比較")},
        {Cmd::CompareBinary, QStringLiteral("ファイルをバイナリ比較ツールで比較します。\nバイナリ比較")},
        {Cmd::MenuDeleteProject, QStringLiteral("プロジェクトを削除します。\nプロジェクト削除")},
        {Cmd::SaveFilters, QStringLiteral("フィルタをファイルに保存します。")},
        {Cmd::LoadFilters, QStringLiteral("フィルタをファイルから読み込みます。")},

        // The standard document and application commands.
        {Cmd::FileNew, QStringLiteral("新しいドキュメントを作成します。\n新規作成")},
        {Cmd::FileOpen, QStringLiteral("既存のドキュメントを開きます。\n開く")},
        {Cmd::FileSave, QStringLiteral("アクティブなドキュメントを上書き保存します。\n上書き保存")},
        {Cmd::FileSaveAs, QStringLiteral("アクティブなドキュメントに名前を付けて保存します。\n名前を付けて保存")},
        {Cmd::FileMru1, QStringLiteral("このドキュメントを開きます。")},
        {Cmd::FileMru1 + 1, QStringLiteral("このドキュメントを開きます。")},
        {Cmd::FileMru1 + 2, QStringLiteral("このドキュメントを開きます。")},
        {Cmd::FileMru1 + 3, QStringLiteral("このドキュメントを開きます。")},
        {Cmd::AppExit, QStringLiteral("アプリケーションを終了します。\n終了")},
        {Cmd::AppAbout, QStringLiteral("プログラムのバージョン情報を表示します。\nバージョン情報")},
        {Cmd::Help, QStringLiteral("ヘルプの目次を表示します。\nヘルプ")},
        {Cmd::RestoreFromTray, QStringLiteral("ウィンドウを元の大きさで表示します。")},
    };
    return table;
}

} // namespace

QString LoadString(int id)
{
    return StringTable().value(id);
}

QString CommandPrompt(int id)
{
    const QString entry = LoadString(id);
    const qsizetype newline = entry.indexOf(QLatin1Char('\n'));
    return newline < 0 ? entry : entry.left(newline);
}

QString CommandTooltip(int id)
{
    const QString entry = LoadString(id);
    const qsizetype newline = entry.indexOf(QLatin1Char('\n'));
    return newline < 0 ? QString() : entry.mid(newline + 1);
}

QString CommandText(int id)
{
    static const std::vector<MenuItemDef> menus = [] {
        std::vector<MenuItemDef> all = MainMenuDefinition();
        all.push_back(TreeContextMenuDefinition());
        all.push_back(FileListContextMenuDefinition());
        all.push_back(HeaderContextMenuDefinition());
        all.push_back(TrayMenuDefinition());
        return all;
    }();
    const MenuItemDef* item = FindMenuItem(menus, id);
    return item ? item->text : QString();
}
