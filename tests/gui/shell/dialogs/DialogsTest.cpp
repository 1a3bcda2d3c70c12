#include "GuiTestSupport.h"
#include "support/TestDir.h"

#include "core/platform/FileSystem.h"
#include "core/platform/Prompt.h"
#include "core/resources/ResourceIds.h"
#include "core/resources/Texts.h"
#include "gui/shell/CColumnEditDialog.h"
#include "gui/shell/CFolderSelectDialog.h"
#include "gui/shell/CNameInputDialog.h"
#include "gui/shell/CPathBar.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

template <typename T> T* Control(QWidget* dialog, int id)
{
    T* control = dialog->findChild<T*>(IdName(id));
    EXPECT_NE(control, nullptr) << "control " << id;
    return control;
}

QPushButton* Button(QWidget* dialog, int id)
{
    return Control<QPushButton>(dialog, id);
}

// ---- name input -------------------------------------------------------------

TEST(NameInputDialog, OkIsEnabledByTheFirstChangeAndStaysEnabled)
{
    TestApp();
    CNameInputDialog dialog;
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("名称入力"));
    QLineEdit* edit = Control<QLineEdit>(&dialog, Ctl::NameEdit);
    QPushButton* ok = Button(&dialog, Ctl::Ok);
    EXPECT_FALSE(ok->isEnabled());
    // Enter with a disabled OK does not close the dialog.
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());

    QTest::keyClicks(edit, QStringLiteral("docs"));
    EXPECT_TRUE(ok->isEnabled());
    edit->clear();
    EXPECT_TRUE(ok->isEnabled());
    edit->insert(QStringLiteral("新しいフォルダ")); // as an input method commits it
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.EnteredName(), QStringLiteral("新しいフォルダ"));
}

TEST(NameInputDialog, CancelLeavesNoName)
{
    TestApp();
    CNameInputDialog dialog;
    dialog.show();
    QTest::keyClicks(Control<QLineEdit>(&dialog, Ctl::NameEdit), QStringLiteral("abc"));
    QTest::mouseClick(Button(&dialog, Ctl::Cancel), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(dialog.EnteredName().isEmpty());
}

// ---- folder selection -------------------------------------------------------

class FolderSelectDialogTest : public ::testing::Test
{
protected:
    FolderSelectDialogTest() { TestApp(); }

    // Clicks "作成(&C)..." and answers the name dialog with `name` (or Cancel for an empty one).
    void CreateThroughButton(CFolderSelectDialog& dialog, const QString& name)
    {
        ModalWatch<CNameInputDialog> watch([&](CNameInputDialog* nameDialog) {
            if (name.isEmpty()) {
                QTest::mouseClick(Button(nameDialog, Ctl::Cancel), Qt::LeftButton);
                return;
            }
            Control<QLineEdit>(nameDialog, Ctl::NameEdit)->insert(name);
            QTest::mouseClick(Button(nameDialog, Ctl::Ok), Qt::LeftButton);
        });
        QTest::mouseClick(Button(&dialog, Ctl::CreateFolder), Qt::LeftButton);
        EXPECT_TRUE(watch.Ran());
    }

    QString PathText(CFolderSelectDialog& dialog) { return Control<QLineEdit>(&dialog, Ctl::FolderPathEdit)->text(); }

    TestDir m_dir;
    CScriptedPrompt m_prompt;
    CPromptScope m_scope{m_prompt};
};

TEST_F(FolderSelectDialogTest, CreatesASubfolderSelectsItAndOkReturnsItsPath)
{
    const QString base = m_dir.MakeFolder(QStringLiteral("base"));
    CFolderSelectDialog dialog;
    dialog.SetSelectedPath(base);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("フォルダの選択"));
    EXPECT_EQ(PathText(dialog), base);
    EXPECT_TRUE(Button(&dialog, Ctl::Ok)->isEnabled());
    EXPECT_TRUE(Button(&dialog, Ctl::CreateFolder)->isEnabled());
    EXPECT_EQ(Button(&dialog, Ctl::CreateFolder)->text(), QStringLiteral("作成(&C)..."));

    CreateThroughButton(dialog, QStringLiteral("新規 フォルダ"));

    const QString created = base + QStringLiteral("/新規 フォルダ");
    EXPECT_TRUE(IsDirectoryPath(created));
    EXPECT_EQ(PathText(dialog), created);
    auto* tree = Control<QTreeView>(&dialog, Ctl::FolderTree);
    EXPECT_EQ(tree->currentIndex().data().toString(), QStringLiteral("新規 フォルダ"));

    QTest::mouseClick(Button(&dialog, Ctl::Ok), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.SelectedPath(), created);
    EXPECT_EQ(m_prompt.Requests().size(), 0u);
}

TEST_F(FolderSelectDialogTest, ATypedPathIsWhereTheFolderIsCreated)
{
    const QString first = m_dir.MakeFolder(QStringLiteral("first"));
    const QString second = m_dir.MakeFolder(QStringLiteral("second"));
    CFolderSelectDialog dialog;
    dialog.SetSelectedPath(first);
    dialog.show();
    QLineEdit* path = Control<QLineEdit>(&dialog, Ctl::FolderPathEdit);
    path->selectAll();
    QTest::keyClicks(path, second);

    CreateThroughButton(dialog, QStringLiteral("inner"));
    EXPECT_TRUE(IsDirectoryPath(second + QStringLiteral("/inner")));
    EXPECT_FALSE(TestDir::Exists(first + QStringLiteral("/inner")));
    EXPECT_EQ(PathText(dialog), second + QStringLiteral("/inner"));
}

TEST_F(FolderSelectDialogTest, AFolderThatCannotBeCreatedIsReportedAndTheDialogStaysOpen)
{
    const QString base = m_dir.MakeFolder(QStringLiteral("base"));
    m_dir.MakeFolder(QStringLiteral("base/exists"));
    CFolderSelectDialog dialog;
    dialog.SetSelectedPath(base);
    dialog.show();

    CreateThroughButton(dialog, QStringLiteral("exists"));
    ASSERT_EQ(m_prompt.Requests().size(), 1u);
    EXPECT_EQ(m_prompt.Requests()[0].icon, PromptIcon::Warning);
    EXPECT_EQ(m_prompt.Requests()[0].text, SystemErrorText(EEXIST));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(PathText(dialog), base);

    // A name that would reach outside the selected folder is refused, and nothing is made.
    CreateThroughButton(dialog, QStringLiteral("../escape"));
    ASSERT_EQ(m_prompt.Requests().size(), 2u);
    EXPECT_EQ(m_prompt.Requests()[1].icon, PromptIcon::Warning);
    EXPECT_FALSE(TestDir::Exists(m_dir.PathOf(QStringLiteral("escape"))));

    // Cancel in the name dialog creates nothing and asks nothing.
    CreateThroughButton(dialog, QString());
    EXPECT_EQ(m_prompt.Requests().size(), 2u);
    EXPECT_EQ(QDir(base).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{QStringLiteral("exists")});
}

TEST_F(FolderSelectDialogTest, AnEmptyPathDisablesOkAndCreate)
{
    CFolderSelectDialog dialog;
    dialog.show();
    // Without a usable start path the dialog opens on the home folder.
    EXPECT_EQ(PathText(dialog), QDir::homePath());
    Control<QLineEdit>(&dialog, Ctl::FolderPathEdit)->clear();
    EXPECT_FALSE(Button(&dialog, Ctl::Ok)->isEnabled());
    EXPECT_FALSE(Button(&dialog, Ctl::CreateFolder)->isEnabled());
}

TEST_F(FolderSelectDialogTest, SelectingAnotherFolderPutsItsPathInTheField)
{
    const QString a = m_dir.MakeFolder(QStringLiteral("a"));
    const QString b = m_dir.MakeFolder(QStringLiteral("a/b"));
    CFolderSelectDialog dialog;
    dialog.SetSelectedPath(b);
    dialog.show();
    auto* tree = Control<QTreeView>(&dialog, Ctl::FolderTree);
    tree->setCurrentIndex(tree->currentIndex().parent());
    EXPECT_EQ(PathText(dialog), a);
    QTest::mouseClick(Button(&dialog, Ctl::Ok), Qt::LeftButton);
    EXPECT_EQ(dialog.SelectedPath(), a);
}

TEST_F(FolderSelectDialogTest, ACaptionIdReplacesTheCaption)
{
    CFolderSelectDialog project(nullptr, Str::SelectProjectFolder);
    EXPECT_EQ(project.windowTitle(), QStringLiteral("プロジェクトフォルダの選択"));
    CFolderSelectDialog target(nullptr, Str::SelectTargetFolder);
    EXPECT_EQ(target.windowTitle(), QStringLiteral("ターゲットフォルダの選択"));
}

// ---- column editing ---------------------------------------------------------

class ColumnEditDialogTest : public ::testing::Test
{
protected:
    ColumnEditDialogTest()
    {
        TestApp();
        // Shown: name (0), state picture (1), size (2); hidden: type, date.
        const char* titles[] = {"同期状態アイコン", "ファイル名", "種類", "元サイズ", "元日付"};
        const int orders[] = {1, 0, -1, 2, -1};
        for (int i = 0; i < 5; ++i) {
            ColumnRecord record;
            record.title = QString::fromUtf8(titles[i]);
            record.width = 10 * (i + 1);
            record.format = i == 0 ? 0x1000 : 0;
            record.order = orders[i];
            record.shown = orders[i] >= 0 ? 1 : 0;
            record.titleShown = i == 0 ? 0 : 1;
            m_records.push_back(record);
        }
    }

    QStringList ListTexts(CColumnEditDialog& dialog) const
    {
        QStringList texts;
        for (int row = 0; row < dialog.List()->count(); ++row)
            texts << dialog.List()->item(row)->text();
        return texts;
    }

    std::vector<ColumnRecord> m_records;
    CScriptedPrompt m_prompt;
    CPromptScope m_scope{m_prompt};
};

TEST_F(ColumnEditDialogTest, ListsShownColumnsInDisplayOrderThenHiddenOnes)
{
    CColumnEditDialog dialog(m_records);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("表示項目の編集"));
    EXPECT_EQ(ListTexts(dialog),
        (QStringList{QStringLiteral("ファイル名"), QStringLiteral("同期状態アイコン"), QStringLiteral("元サイズ"),
            QStringLiteral("種類"), QStringLiteral("元日付")}));
    EXPECT_EQ(dialog.List()->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(dialog.List()->item(3)->checkState(), Qt::Unchecked);
    EXPECT_EQ(dialog.List()->currentRow(), 0);
    EXPECT_FALSE(Button(&dialog, Ctl::MoveUp)->isEnabled());
    EXPECT_TRUE(Button(&dialog, Ctl::MoveDown)->isEnabled());
    EXPECT_EQ(Control<QLineEdit>(&dialog, Ctl::ColumnWidth)->text(), QStringLiteral("20"));

    dialog.List()->setCurrentRow(4);
    EXPECT_EQ(Control<QLineEdit>(&dialog, Ctl::ColumnWidth)->text(), QStringLiteral("50"));
    EXPECT_TRUE(Button(&dialog, Ctl::MoveUp)->isEnabled());
    EXPECT_FALSE(Button(&dialog, Ctl::MoveDown)->isEnabled());
}

TEST_F(ColumnEditDialogTest, UncheckingAColumnHidesItAndRenumbersTheOthersWithoutGaps)
{
    CColumnEditDialog dialog(m_records);
    dialog.show();
    dialog.List()->item(1)->setCheckState(Qt::Unchecked); // the state picture
    dialog.List()->item(3)->setCheckState(Qt::Checked); // type, listed after size
    QTest::mouseClick(Button(&dialog, Ctl::Ok), Qt::LeftButton);
    ASSERT_EQ(dialog.result(), QDialog::Accepted);

    EXPECT_EQ(m_records[0].shown, 0);
    EXPECT_EQ(m_records[0].order, -1);
    EXPECT_EQ(m_records[1].order, 0); // name
    EXPECT_EQ(m_records[3].order, 1); // size
    EXPECT_EQ(m_records[2].order, 2); // type
    EXPECT_EQ(m_records[2].shown, 1);
    EXPECT_EQ(m_records[4].order, -1);
    EXPECT_TRUE(CColumnSettings::IsOrderValid(m_records.data(), int(m_records.size())));
    // Title, format and title flag come back unchanged.
    EXPECT_EQ(m_records[0].format, 0x1000);
    EXPECT_EQ(m_records[0].titleShown, 0);
    EXPECT_EQ(m_records[0].title, QStringLiteral("同期状態アイコン"));
}

TEST_F(ColumnEditDialogTest, MovesKeepTheEntryItsCheckAndTheSelection)
{
    CColumnEditDialog dialog(m_records);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QPushButton* up = Button(&dialog, Ctl::MoveUp);
    QPushButton* down = Button(&dialog, Ctl::MoveDown);
    dialog.List()->setCurrentRow(3); // type (hidden)
    dialog.List()->item(3)->setCheckState(Qt::Checked);
    QTest::mouseClick(up, Qt::LeftButton);
    QTest::mouseClick(up, Qt::LeftButton);
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_EQ(dialog.List()->currentRow(), 0);
    EXPECT_EQ(dialog.List()->currentItem()->text(), QStringLiteral("種類"));
    EXPECT_EQ(dialog.List()->currentItem()->checkState(), Qt::Checked);
    EXPECT_FALSE(up->isEnabled());
    EXPECT_TRUE(down->isEnabled());
    EXPECT_TRUE(dialog.List()->hasFocus()); // the focus is back on the list
    QTest::mouseClick(down, Qt::LeftButton);
    EXPECT_EQ(dialog.List()->currentRow(), 1);

    QTest::mouseClick(Button(&dialog, Ctl::Ok), Qt::LeftButton);
    EXPECT_EQ(m_records[1].order, 0); // name
    EXPECT_EQ(m_records[2].order, 1); // type
    EXPECT_EQ(m_records[0].order, 2); // state picture
    EXPECT_EQ(m_records[3].order, 3); // size
}

TEST_F(ColumnEditDialogTest, WidthIsTakenWhenTheFieldLosesFocusAndOnOk)
{
    CColumnEditDialog dialog(m_records);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QLineEdit* width = Control<QLineEdit>(&dialog, Ctl::ColumnWidth);
    width->setFocus();
    width->selectAll();
    QTest::keyClicks(width, QStringLiteral("240x")); // the letter is refused by the field
    EXPECT_EQ(width->text(), QStringLiteral("240"));
    dialog.List()->setFocus(); // the field loses the focus
    dialog.List()->setCurrentRow(2);
    EXPECT_EQ(width->text(), QStringLiteral("40"));
    width->setText(QStringLiteral("77"));
    QTest::mouseClick(Button(&dialog, Ctl::Ok), Qt::LeftButton);
    EXPECT_EQ(m_records[1].width, 240); // name, edited first
    EXPECT_EQ(m_records[3].width, 77); // size, selected at OK
    EXPECT_EQ(m_records[0].width, 10);
}

TEST_F(ColumnEditDialogTest, AnEmptyWidthIsRefusedAndTheDialogStaysOpen)
{
    const std::vector<ColumnRecord> before = m_records;
    CColumnEditDialog dialog(m_records);
    dialog.show();
    Control<QLineEdit>(&dialog, Ctl::ColumnWidth)->clear();
    QTest::mouseClick(Button(&dialog, Ctl::Ok), Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(m_prompt.Requests().size(), 1u);
    EXPECT_EQ(m_records[1].order, before[1].order);
    EXPECT_EQ(m_records[1].width, before[1].width);
}

TEST_F(ColumnEditDialogTest, CancelLeavesTheCallersRecordsUntouched)
{
    const std::vector<ColumnRecord> before = m_records;
    CColumnEditDialog dialog(m_records);
    dialog.show();
    dialog.List()->setCurrentRow(2);
    QTest::mouseClick(Button(&dialog, Ctl::MoveUp), Qt::LeftButton);
    dialog.List()->item(0)->setCheckState(Qt::Unchecked);
    Control<QLineEdit>(&dialog, Ctl::ColumnWidth)->setText(QStringLiteral("999"));
    dialog.List()->setCurrentRow(0);
    QTest::mouseClick(Button(&dialog, Ctl::Cancel), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(m_records[i].order, before[i].order);
        EXPECT_EQ(m_records[i].shown, before[i].shown);
        EXPECT_EQ(m_records[i].width, before[i].width);
    }
}

TEST_F(ColumnEditDialogTest, TakesAtMostSixteenRecords)
{
    std::vector<ColumnRecord> many(20);
    for (size_t i = 0; i < many.size(); ++i) {
        many[i].title = QString::number(i);
        many[i].shown = 1;
        many[i].order = int(i);
    }
    CColumnEditDialog dialog(many);
    EXPECT_EQ(dialog.List()->count(), 16);
    dialog.List()->item(0)->setCheckState(Qt::Unchecked);
    dialog.accept();
    EXPECT_EQ(many[0].order, -1);
    EXPECT_EQ(many[15].order, 14);
    EXPECT_EQ(many[16].order, 16); // beyond the dialog's records: untouched
}

// ---- path bar ---------------------------------------------------------------

TEST(PathBar, ShowsThePathOrThatNoneIsSet)
{
    TestApp();
    CPathBar bar(LoadString(Str::ProjectFolder), 59397);
    EXPECT_EQ(bar.objectName(), QStringLiteral("59397"));
    EXPECT_EQ(bar.Label()->text(), QStringLiteral("プロジェクトフォルダ"));
    EXPECT_TRUE(bar.Edit()->isReadOnly());
    EXPECT_EQ(bar.Text(), QStringLiteral("設定されていません"));
    bar.SetPath(QStringLiteral("/home/user/資料"));
    EXPECT_EQ(bar.Text(), QStringLiteral("/home/user/資料"));
    EXPECT_EQ(bar.Path(), QStringLiteral("/home/user/資料"));
    bar.SetPath({});
    EXPECT_EQ(bar.Text(), QStringLiteral("設定されていません"));
    EXPECT_TRUE(bar.Path().isEmpty());
}

} // namespace
