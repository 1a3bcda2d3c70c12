// The filter edit dialog and the two filter pages, driven as a user drives
// them, with the entries checked in the profile file.

#include "support/TestDir.h"
#include "support/gui/DialogTestSupport.h"

#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/model/ProjectCreation.h"
#include "core/platform/Prompt.h"
#include "gui/filters/CFilterEditDlg.h"
#include "gui/filters/CGlobalFilterEditPp.h"
#include "gui/filters/CLocalFilterEditPp.h"
#include "gui/filters/FilterEntryList.h"
#include "gui/shell/CAppOptionPs.h"
#include "gui/shell/CNameInputDialog.h"

#include <QCheckBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>

namespace {

using Entries = std::vector<std::pair<QString, QString>>;

const QString kDuplicate = QStringLiteral("指定された名前はすでに存在しています。別の名前を指定してください。");
const QString kConfirmDelete = QStringLiteral("削除してよろしいですか？");

QStringList Names(const FilterSet& set)
{
    QStringList names;
    for (qsizetype i = 0; i < set.size(); ++i)
        names << set.at(i).Name;
    return names;
}

QStringList Items(QListWidget* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

// Answers the name input dialog with `name`; an empty name cancels it.
std::function<void(CNameInputDialog*)> TypeName(const QString& name)
{
    return [name](CNameInputDialog* input) {
        if (name.isEmpty()) {
            Click(Control<QPushButton>(input, 2));
            return;
        }
        Control<QLineEdit>(input, 1016)->insert(name);
        Click(Control<QPushButton>(input, 1));
    };
}

class FilterDialogs : public ::testing::Test
{
protected:
    // Runs the filter edit dialog with `action`; its result.
    bool EditEntries(std::function<void(CFilterEditDlg*)> action)
    {
        ModalScript<CFilterEditDlg> script;
        script.Then(std::move(action));
        const bool confirmed = EditFilterEntries(nullptr);
        EXPECT_EQ(script.Runs(), 1);
        return confirmed;
    }

    TempProfile profile;
    CScriptedPrompt prompt;
    CPromptScope scope{prompt};
};

struct EditDialog
{
    explicit EditDialog(CFilterEditDlg* dialog)
        : list(Control<QListWidget>(dialog, 1053)),
          add(Control<QPushButton>(dialog, 1054)),
          remove(Control<QPushButton>(dialog, 1055)),
          up(Control<QPushButton>(dialog, 1005)),
          down(Control<QPushButton>(dialog, 1006)),
          masks(Control<QLineEdit>(dialog, 1058)),
          exclude(Control<QRadioButton>(dialog, 1057)),
          include(Control<QRadioButton>(dialog, 1056)),
          ok(Control<QPushButton>(dialog, 1)),
          cancel(Control<QPushButton>(dialog, 2))
    {
    }
    void Select(int row) const { list->setCurrentRow(row); }
    void TypeMasks(const QString& text) const
    {
        masks->selectAll();
        masks->insert(text);
    }

    QListWidget* list;
    QPushButton* add;
    QPushButton* remove;
    QPushButton* up;
    QPushButton* down;
    QLineEdit* masks;
    QRadioButton* exclude;
    QRadioButton* include;
    QPushButton* ok;
    QPushButton* cancel;
};

} // namespace

// ---- filter edit dialog ---------------------------------------------------

TEST_F(FilterDialogs, OpensOnTheProfilesEntriesWithTheFirstShown)
{
    profile.SetFilters(
        {{QStringLiteral("Obj"), QStringLiteral("!*.obj;*.pdb")}, {QStringLiteral("Txt"), QStringLiteral("*.txt")}});
    // What the profile holds counts, not what the set in memory holds.
    GlobalFilterSet().RemoveAll();
    EditEntries([&](CFilterEditDlg* dialog) {
        EditDialog d(dialog);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("フィルタの編集"));
        EXPECT_EQ(Items(d.list), (QStringList{QStringLiteral("Obj"), QStringLiteral("Txt")}));
        EXPECT_EQ(d.list->currentRow(), 0);
        EXPECT_EQ(d.masks->text(), QStringLiteral("*.obj;*.pdb"));
        EXPECT_TRUE(d.exclude->isChecked());
        EXPECT_FALSE(d.up->isEnabled());
        EXPECT_TRUE(d.down->isEnabled());
        d.Select(1);
        EXPECT_EQ(d.masks->text(), QStringLiteral("*.txt"));
        EXPECT_TRUE(d.include->isChecked());
        EXPECT_TRUE(d.up->isEnabled());
        EXPECT_FALSE(d.down->isEnabled());
        Click(d.cancel);
    });
}

TEST_F(FilterDialogs, AddingRefusesANameThatDiffersOnlyInCase)
{
    profile.SetFilters(
        {{QStringLiteral("TEMP"), QStringLiteral("!~*")}, {QStringLiteral("Temp2"), QStringLiteral("!*.tmp")}});
    EXPECT_TRUE(EditEntries([&](CFilterEditDlg* dialog) {
        EditDialog d(dialog);
        ModalScript<CNameInputDialog> names;
        names.Then(TypeName(QStringLiteral("Temp")))
            .Then(TypeName(QStringLiteral("temp2")))
            .Then(TypeName(QStringLiteral("Temp3")));
        Click(d.add);
        EXPECT_EQ(names.Runs(), 3);
        EXPECT_EQ(prompt.Texts(), QStringList(2, kDuplicate));
        // The new entry is selected, empty, and of the kind "除外する".
        EXPECT_EQ(Items(d.list).last(), QStringLiteral("Temp3"));
        EXPECT_EQ(d.list->currentRow(), 2);
        EXPECT_TRUE(d.masks->text().isEmpty());
        EXPECT_TRUE(d.exclude->isChecked());
        d.TypeMasks(QStringLiteral("*.obj, *.pdb"));
        Click(d.ok);
    }));
    const Entries expected{{QStringLiteral("TEMP"), QStringLiteral("!~*")},
        {QStringLiteral("Temp2"), QStringLiteral("!*.tmp")}, {QStringLiteral("Temp3"), QStringLiteral("!*.obj;*.pdb")}};
    EXPECT_EQ(profile.Filters(), expected);
    EXPECT_TRUE(profile.Text().contains(QStringLiteral("Temp3=!*.obj;*.pdb\n"))) << profile.Text().toStdString();
    // The global set is replaced with the dialog's entries.
    EXPECT_EQ(Names(GlobalFilterSet()),
        (QStringList{QStringLiteral("TEMP"), QStringLiteral("Temp2"), QStringLiteral("Temp3")}));
    EXPECT_EQ(GlobalFilterSet().at(2).GetStoredText(), QStringLiteral("!*.obj;*.pdb"));
}

TEST_F(FilterDialogs, CancellingTheNameLeavesTheListAsItWas)
{
    EXPECT_TRUE(EditEntries([&](CFilterEditDlg* dialog) {
        EditDialog d(dialog);
        // With no entries, everything but "追加(&A)..." is disabled.
        EXPECT_TRUE(d.add->isEnabled());
        for (QWidget* control :
            {static_cast<QWidget*>(d.remove), static_cast<QWidget*>(d.up), static_cast<QWidget*>(d.down),
                static_cast<QWidget*>(d.masks), static_cast<QWidget*>(d.exclude), static_cast<QWidget*>(d.include)})
            EXPECT_FALSE(control->isEnabled());
        ModalScript<CNameInputDialog> names;
        names.Then(TypeName(QString()));
        Click(d.add);
        EXPECT_EQ(d.list->count(), 0);
        names.Then(TypeName(QStringLiteral("Docs")));
        Click(d.add);
        // An include entry: only what matches stays in synchronisation.
        Click(d.include);
        d.TypeMasks(QStringLiteral("*.txt *.md"));
        Click(d.ok);
    }));
    EXPECT_EQ(profile.Filters(), (Entries{{QStringLiteral("Docs"), QStringLiteral("*.txt;*.md")}}));
}

TEST_F(FilterDialogs, TheShownEntryIsCommittedWhenTheSelectionMoves)
{
    profile.SetFilters({{QStringLiteral("A"), QStringLiteral("!*.a")}, {QStringLiteral("B"), QStringLiteral("!*.b")}});
    EXPECT_TRUE(EditEntries([&](CFilterEditDlg* dialog) {
        EditDialog d(dialog);
        d.TypeMasks(QStringLiteral("*.x;;*.y"));
        Click(d.include);
        d.Select(1);
        EXPECT_EQ(d.masks->text(), QStringLiteral("*.b"));
        EXPECT_TRUE(d.exclude->isChecked());
        d.Select(0);
        EXPECT_EQ(d.masks->text(), QStringLiteral("*.x;*.y"));
        EXPECT_TRUE(d.include->isChecked());
        // OK commits the entry on show as well.
        d.TypeMasks(QStringLiteral("!*.z"));
        Click(d.ok);
    }));
    // A leading "!" typed as a mask is stored as it is, and reads back as the exclude marker.
    EXPECT_EQ(profile.Filters(),
        (Entries{{QStringLiteral("A"), QStringLiteral("!*.z")}, {QStringLiteral("B"), QStringLiteral("!*.b")}}));
}

TEST_F(FilterDialogs, DeletingAsksAndSelectsTheNewLastItem)
{
    profile.SetFilters({{QStringLiteral("A"), QStringLiteral("!*.a")}, {QStringLiteral("B"), QStringLiteral("!*.b")},
        {QStringLiteral("C"), QStringLiteral("*.c")}});
    EXPECT_TRUE(EditEntries([&](CFilterEditDlg* dialog) {
        EditDialog d(dialog);
        d.Select(2);
        prompt.Push(PromptAnswer::No);
        Click(d.remove);
        EXPECT_EQ(d.list->count(), 3);
        EXPECT_EQ(prompt.Requests().back().text, kConfirmDelete);
        EXPECT_EQ(prompt.Requests().back().buttons, PromptButtons::YesNo);
        EXPECT_EQ(prompt.Requests().back().icon, PromptIcon::Question);

        prompt.Push(PromptAnswer::Yes);
        Click(d.remove);
        EXPECT_EQ(Items(d.list), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
        EXPECT_EQ(d.list->currentRow(), 1);
        EXPECT_EQ(d.masks->text(), QStringLiteral("*.b"));
        EXPECT_FALSE(d.down->isEnabled());

        d.Select(0);
        prompt.Push(PromptAnswer::Yes);
        Click(d.remove);
        EXPECT_EQ(Items(d.list), QStringList{QStringLiteral("B")});
        EXPECT_EQ(d.masks->text(), QStringLiteral("*.b"));
        prompt.Push(PromptAnswer::Yes);
        Click(d.remove);
        // The only item gone: every editing control is disabled.
        EXPECT_EQ(d.list->count(), 0);
        for (QWidget* control :
            {static_cast<QWidget*>(d.remove), static_cast<QWidget*>(d.masks), static_cast<QWidget*>(d.exclude),
                static_cast<QWidget*>(d.include), static_cast<QWidget*>(d.up), static_cast<QWidget*>(d.down)})
            EXPECT_FALSE(control->isEnabled());
        Click(d.ok);
    }));
    EXPECT_TRUE(profile.Filters().empty());
    EXPECT_TRUE(GlobalFilterSet().isEmpty());
    EXPECT_TRUE(prompt.AllAnswersUsed());
}

TEST_F(FilterDialogs, MovingEntriesUpAndDownChangesTheStoredOrder)
{
    profile.SetFilters({{QStringLiteral("A"), QStringLiteral("!*.a")}, {QStringLiteral("B"), QStringLiteral("!*.b")},
        {QStringLiteral("C"), QStringLiteral("*.c")}});
    EXPECT_TRUE(EditEntries([&](CFilterEditDlg* dialog) {
        EditDialog d(dialog);
        // Changes to the moved entry go with it.
        d.TypeMasks(QStringLiteral("*.aa"));
        Click(d.down);
        EXPECT_EQ(Items(d.list), (QStringList{QStringLiteral("B"), QStringLiteral("A"), QStringLiteral("C")}));
        EXPECT_EQ(d.list->currentRow(), 1);
        EXPECT_EQ(d.masks->text(), QStringLiteral("*.aa"));
        Click(d.down);
        EXPECT_EQ(d.list->currentRow(), 2);
        EXPECT_FALSE(d.down->isEnabled());
        EXPECT_TRUE(d.up->isEnabled());
        d.Select(1);
        EXPECT_EQ(d.masks->text(), QStringLiteral("*.c"));
        Click(d.up);
        EXPECT_EQ(Items(d.list), (QStringList{QStringLiteral("C"), QStringLiteral("B"), QStringLiteral("A")}));
        EXPECT_EQ(d.list->currentRow(), 0);
        EXPECT_FALSE(d.up->isEnabled());
        Click(d.ok);
    }));
    EXPECT_EQ(profile.Filters(),
        (Entries{{QStringLiteral("C"), QStringLiteral("*.c")}, {QStringLiteral("B"), QStringLiteral("!*.b")},
            {QStringLiteral("A"), QStringLiteral("!*.aa")}}));
}

TEST_F(FilterDialogs, CancelChangesNothing)
{
    profile.SetFilters({{QStringLiteral("A"), QStringLiteral("!*.a")}, {QStringLiteral("B"), QStringLiteral("!*.b")}});
    const QString before = profile.Text();
    EXPECT_FALSE(EditEntries([&](CFilterEditDlg* dialog) {
        EditDialog d(dialog);
        ModalScript<CNameInputDialog> names;
        names.Then(TypeName(QStringLiteral("C")));
        Click(d.add);
        d.TypeMasks(QStringLiteral("*.c"));
        d.Select(0);
        prompt.Push(PromptAnswer::Yes);
        Click(d.remove);
        Click(d.down);
        Click(d.cancel);
    }));
    EXPECT_EQ(profile.Text(), before);
    EXPECT_EQ(Names(GlobalFilterSet()), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
}

TEST_F(FilterDialogs, TwentyEntriesKeepTheirOrderThroughASave)
{
    Entries entries;
    for (int i = 0; i < 20; ++i)
        entries.emplace_back(QStringLiteral("E%1").arg(i), QStringLiteral("!*.e%1").arg(i));
    profile.SetFilters(entries);
    EXPECT_TRUE(EditEntries([&](CFilterEditDlg* dialog) {
        EditDialog d(dialog);
        Click(d.down);
        Click(d.ok);
    }));
    std::swap(entries[0], entries[1]);
    EXPECT_EQ(profile.Filters(), entries);
}

// ---- the global filter page ------------------------------------------------

class GlobalFilterPage : public FilterDialogs
{
protected:
    GlobalFilterPage()
    {
        profile.SetFilters({{QStringLiteral("Bak"), QStringLiteral("!*.bak;*.old")},
            {QStringLiteral("Txt"), QStringLiteral("*.txt")}});
    }
};

TEST_F(GlobalFilterPage, ShowsTheEntriesWithTheSelectionAsChecks)
{
    CAppOptionPs sheet(nullptr, CAppOptionPs::GlobalFilterPage);
    sheet.SetFilterSelection({QStringLiteral("Txt"), QStringLiteral("Gone")});
    profile.Profile().WriteProfileInt(QStringLiteral("OptionSync"), QStringLiteral("Flags"), 0x1040);
    sheet.show();
    CGlobalFilterEditPp& page = sheet.GlobalFilterPp();
    EXPECT_EQ(sheet.Tabs()->currentWidget(), &page);
    EXPECT_EQ(sheet.Tabs()->tabText(2), QStringLiteral("グローバルフィルタ"));
    auto* list = Control<CFilterEntryList>(&page, 1080);
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("名称"));
    EXPECT_EQ(list->headerItem()->text(1), QStringLiteral("除外"));
    EXPECT_EQ(list->headerItem()->text(2), QStringLiteral("マスク"));
    EXPECT_EQ(list->columnWidth(0), 128);
    EXPECT_EQ(list->columnWidth(1), 40);
    const QTreeWidgetItem* bak = list->topLevelItem(0);
    EXPECT_EQ(bak->text(0), QStringLiteral("Bak"));
    EXPECT_EQ(bak->text(1), QStringLiteral("除外"));
    EXPECT_EQ(bak->text(2), QStringLiteral("*.bak;*.old"));
    EXPECT_EQ(bak->checkState(0), Qt::Unchecked);
    EXPECT_EQ(list->topLevelItem(1)->text(1), QStringLiteral("対象"));
    EXPECT_EQ(list->topLevelItem(1)->checkState(0), Qt::Checked);
    // The folder option comes from the profile, read when the page opens.
    EXPECT_TRUE(Control<QCheckBox>(&page, 1144)->isChecked());
    bool noteFound = false;
    for (const QLabel* label : page.findChildren<QLabel*>())
        noteFound = noteFound
            || label->text()
                == QStringLiteral("　作成したフィルタエントリは Pairwell の共通設定として保存されます。"
                                  "各フィルタエントリの有効無効の選択は、 snc ファイルに保存されます。");
    EXPECT_TRUE(noteFound);

    // A tick marks the page modified.
    EXPECT_FALSE(sheet.ApplyButton()->isEnabled());
    list->topLevelItem(0)->setCheckState(0, Qt::Checked);
    EXPECT_TRUE(sheet.ApplyButton()->isEnabled());
    Click(Control<QCheckBox>(&page, 1144));
    Click(Control<QPushButton>(&sheet, 1));
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
    // Names that match no entry are dropped with the confirmed checks.
    EXPECT_EQ(sheet.FilterSelection(), (QStringList{QStringLiteral("Bak"), QStringLiteral("Txt")}));
    EXPECT_EQ(GlobalOptionSync().Flags, 0x40u);
    EXPECT_EQ(profile.Profile().GetProfileInt(QStringLiteral("OptionSync"), QStringLiteral("Flags"), -1), 0x40);
}

TEST_F(GlobalFilterPage, TheFolderOptionKeepsEveryOtherBit)
{
    // Bits without a control here (and TransferMode 3) survive the page.
    const int stored = int(0xFFFFEFFFu);
    profile.Profile().WriteProfileInt(QStringLiteral("OptionSync"), QStringLiteral("Flags"), stored);
    profile.Profile().WriteProfileString(
        QStringLiteral("OptionSync"), QStringLiteral("LogFilePath"), QStringLiteral("/l.log"));
    CAppOptionPs sheet(nullptr, CAppOptionPs::GlobalFilterPage);
    sheet.show();
    Click(Control<QCheckBox>(&sheet.GlobalFilterPp(), 1144));
    Click(Control<QPushButton>(&sheet, 1));
    EXPECT_EQ(profile.Profile().GetProfileInt(QStringLiteral("OptionSync"), QStringLiteral("Flags"), 0), -1);
    EXPECT_EQ(profile.Profile().GetProfileString(QStringLiteral("OptionSync"), QStringLiteral("LogFilePath")),
        QStringLiteral("/l.log"));
}

TEST_F(GlobalFilterPage, EditingTheEntriesRefillsFromTheConfirmedSelection)
{
    CAppOptionPs sheet(nullptr, CAppOptionPs::GlobalFilterPage);
    sheet.SetFilterSelection({QStringLiteral("Txt")});
    sheet.show();
    CGlobalFilterEditPp& page = sheet.GlobalFilterPp();
    auto* list = Control<CFilterEntryList>(&page, 1080);
    list->topLevelItem(0)->setCheckState(0, Qt::Checked);
    ModalScript<CFilterEditDlg> editor;
    editor.Then([&](CFilterEditDlg* dialog) {
        ModalScript<CNameInputDialog> names;
        names.Then(TypeName(QStringLiteral("New")));
        Click(Control<QPushButton>(dialog, 1054));
        Click(Control<QPushButton>(dialog, 1));
    });
    Click(Control<QPushButton>(&page, 1155));
    EXPECT_EQ(editor.Runs(), 1);
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(list->topLevelItem(2)->text(0), QStringLiteral("New"));
    // The tick not yet confirmed gave way to the selection the page was given.
    EXPECT_EQ(list->CheckedNames(), QStringList{QStringLiteral("Txt")});
    Click(Control<QPushButton>(&sheet, 2));
}

TEST_F(GlobalFilterPage, AnUntickedEntryNoLongerExcludesFiles)
{
    TestDir dir;
    dir.WriteFile(QStringLiteral("P/notes.bak"), "b", 1600000000);
    dir.WriteFile(QStringLiteral("P/same.txt"), "t", 1600000000);
    dir.WriteFile(QStringLiteral("T/same.txt"), "t", 1600000000);
    dir.WriteFile(QStringLiteral("P/old/x.old"), "o", 1600000000);
    dir.MakeFolder(QStringLiteral("T/old"));
    CMyDoc doc;
    doc.SetCommonFilterSelection({QStringLiteral("Bak")});
    CSyncProject* project
        = CreateProject(doc.GetRoot(), {dir.PathOf(QStringLiteral("P")), dir.PathOf(QStringLiteral("T")), true});
    ASSERT_NE(project, nullptr);
    CSyncProject* old = project->FindChild(QStringLiteral("old"));
    ASSERT_NE(old, nullptr);
    EXPECT_TRUE(project->IsExcludedByFilter(QStringLiteral("notes.bak")));
    EXPECT_EQ(project->GetFolderState(true), SyncState::SyncSame);
    EXPECT_EQ(old->GetFolderState(true), SyncState::SyncSame);

    QSignalSpy hints(&doc, &CMyDoc::UpdateAllViews);
    ModalScript<CAppOptionPs> script;
    script.Then([&](CAppOptionPs* sheet) {
        EXPECT_EQ(sheet->windowTitle(), QStringLiteral("オプション"));
        EXPECT_EQ(sheet->Tabs()->currentIndex(), CAppOptionPs::DispPage);
        sheet->Tabs()->setCurrentIndex(CAppOptionPs::GlobalFilterPage);
        auto* list = Control<CFilterEntryList>(&sheet->GlobalFilterPp(), 1080);
        EXPECT_EQ(list->CheckedNames(), QStringList{QStringLiteral("Bak")});
        list->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
        Click(Control<QPushButton>(sheet, 1));
    });
    prompt.Push(PromptAnswer::Ok);
    EXPECT_TRUE(RunAppOptionsSheet(nullptr, doc));
    EXPECT_EQ(prompt.Texts(), QStringList{OptionText::RescanAll});
    EXPECT_EQ(prompt.Requests()[0].buttons, PromptButtons::OkCancel);
    ASSERT_EQ(hints.count(), 1);
    EXPECT_EQ(hints.at(0).at(0).toInt(), UpdateHint::RescanAll);
    EXPECT_TRUE(doc.GetCommonFilterSelection().isEmpty());
    EXPECT_TRUE(doc.IsModified()); // the selection is stored in the document's file
    EXPECT_FALSE(project->IsExcludedByFilter(QStringLiteral("notes.bak")));
    // notes.bak, on the project side only, now counts: the folder needs an export.
    EXPECT_EQ(project->GetFolderState(true), SyncState::SyncProjectNewer);
    EXPECT_EQ(old->GetFolderState(true), SyncState::SyncProjectNewer);
}

// ---- the local filter page -------------------------------------------------

TEST_F(FilterDialogs, TheLocalPageShowsTheCommonSelectionLocked)
{
    profile.SetFilters(
        {{QStringLiteral("Bak"), QStringLiteral("!*.bak")}, {QStringLiteral("Txt"), QStringLiteral("*.txt")}});
    CLocalFilterEditPp page;
    page.SetChoice(0);
    page.SetCommonSelection({QStringLiteral("Txt")});
    page.SetOwnSelection({QStringLiteral("Bak")});
    page.show();
    page.EnsureInitialized();
    auto* list = Control<CFilterEntryList>(&page, 1080);
    EXPECT_FALSE(list->isEnabled());
    EXPECT_EQ(list->CheckedNames(), QStringList{QStringLiteral("Txt")});
    EXPECT_TRUE(Control<QPushButton>(&page, 1090)->isEnabled());
    EXPECT_FALSE(Control<QCheckBox>(&page, 1089)->isChecked());
    Click(Control<QRadioButton>(&page, 1092));
    EXPECT_TRUE(list->isEnabled());
    EXPECT_EQ(list->CheckedNames(), QStringList{QStringLiteral("Bak")});
    EXPECT_FALSE(Control<QPushButton>(&page, 1090)->isEnabled());
    EXPECT_TRUE(page.IsModified());
    list->topLevelItem(1)->setCheckState(0, Qt::Checked);
    page.OnOK();
    EXPECT_EQ(page.Choice(), 1);
    EXPECT_EQ(page.OwnSelection(), (QStringList{QStringLiteral("Bak"), QStringLiteral("Txt")}));
    EXPECT_EQ(page.CommonSelection(), QStringList{QStringLiteral("Txt")});
}

TEST_F(FilterDialogs, EntriesThatCannotBeStoredAreSaidAndStayInForce)
{
    profile.SetFilters({{QStringLiteral("A"), QStringLiteral("!*.a")}});
    // The settings file has become a folder: the dialog opens on no entries, and its save fails.
    ASSERT_TRUE(QFile::remove(profile.Path()));
    ASSERT_TRUE(QDir().mkdir(profile.Path()));
    EXPECT_TRUE(EditEntries([&](CFilterEditDlg* dialog) {
        EditDialog d(dialog);
        EXPECT_EQ(d.list->count(), 0);
        ModalScript<CNameInputDialog> names;
        names.Then(TypeName(QStringLiteral("B")));
        Click(d.add);
        d.TypeMasks(QStringLiteral("*.b"));
        Click(d.ok);
    }));
    ASSERT_EQ(prompt.Requests().size(), 1u);
    EXPECT_EQ(prompt.Requests().at(0).icon, PromptIcon::Error);
    EXPECT_TRUE(prompt.Texts().at(0).startsWith(
        QStringLiteral("設定を保存できませんでした。\n") + profile.Path() + QStringLiteral(": ")))
        << prompt.Texts().at(0).toStdString();
    EXPECT_EQ(Names(GlobalFilterSet()), QStringList{QStringLiteral("B")});
    EXPECT_TRUE(QDir(profile.Path()).isEmpty());
}
