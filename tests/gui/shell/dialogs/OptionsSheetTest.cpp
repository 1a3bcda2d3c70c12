// The options sheet and its pages, driven as a user drives them, with the
// values checked in the profile file.

#include "support/gui/DialogTestSupport.h"

#include "core/model/CMyDoc.h"
#include "core/platform/Prompt.h"
#include "gui/filters/CGlobalFilterEditPp.h"
#include "gui/filters/FilterEntryList.h"
#include "gui/shell/CAppOptionPs.h"
#include "gui/shell/COptionDispPp.h"
#include "gui/shell/COptionSyncPp.h"
#include "gui/shell/COptionToolPp.h"
#include "gui/shell/FileBrowse.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>

namespace {

const QString kDisp = QStringLiteral("OptionDisp");
const QString kSync = QStringLiteral("OptionSync");
const QString kTool = QStringLiteral("OptionTool");
const QString kFlags = QStringLiteral("Flags");

class OptionsSheet : public ::testing::Test
{
protected:
    ~OptionsSheet() override { SetFileBrowser({}); }

    int StoredInt(const QString& section, const QString& name = kFlags) const
    {
        return profile.Profile().GetProfileInt(section, name, 12345);
    }
    QString StoredString(const QString& section, const QString& name) const
    {
        return profile.Profile().GetProfileString(section, name, QStringLiteral("<missing>"));
    }
    // Answers the next file dialogs with `answer`, keeping what they asked.
    void AnswerFileDialogs(const QString& answer)
    {
        SetFileBrowser([this, answer](const FileBrowseRequest& request) {
            requests.push_back(request);
            return answer;
        });
    }

    TempProfile profile;
    CScriptedPrompt prompt;
    CPromptScope scope{prompt};
    std::vector<FileBrowseRequest> requests;
};

QPushButton* Ok(QWidget* sheet)
{
    return Control<QPushButton>(sheet, 1);
}

} // namespace

// ---- the sheet ----------------------------------------------------------------

TEST_F(OptionsSheet, PagesInOrderAndOnlyShownPagesAreStored)
{
    CAppOptionPs sheet;
    EXPECT_EQ(sheet.windowTitle(), QStringLiteral("オプション"));
    ASSERT_EQ(sheet.Tabs()->count(), 4);
    const QStringList captions{
        QStringLiteral("表示"), QStringLiteral("同期"), QStringLiteral("グローバルフィルタ"), QStringLiteral("ツール")};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(sheet.Tabs()->tabText(i), captions[i]);
    sheet.show();
    EXPECT_EQ(sheet.Tabs()->currentIndex(), CAppOptionPs::DispPage);
    EXPECT_TRUE(sheet.DispPp().IsInitialized());
    EXPECT_FALSE(sheet.SyncPp().IsInitialized());
    // Pressing OK without changes writes the whole section of the shown page.
    Click(Ok(&sheet));
    EXPECT_EQ(StoredInt(kDisp), 0x2B);
    EXPECT_EQ(StoredString(kDisp, QStringLiteral("HelpFilePath")), QString());
    const QString text = profile.Text();
    EXPECT_FALSE(text.contains(QStringLiteral("[OptionSync]"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("[OptionTool]")));
}

TEST_F(OptionsSheet, APageShowsTheProfileNotWhatMemoryHolds)
{
    profile.Profile().WriteProfileInt(kDisp, kFlags, 0x1);
    GlobalOptionDisp().Flags = DispFlags::fromInt(0x3FF); // changed since the last save
    CAppOptionPs sheet;
    sheet.show();
    QWidget* page = &sheet.DispPp();
    EXPECT_TRUE(Control<QCheckBox>(page, 1003)->isChecked());
    EXPECT_FALSE(Control<QCheckBox>(page, 1000)->isChecked());
    EXPECT_EQ(GlobalOptionDisp().Flags, 0x1u);
    Click(Control<QPushButton>(&sheet, 2));
}

TEST_F(OptionsSheet, ApplyStoresAndKeepsTheSheetOpen)
{
    CAppOptionPs sheet;
    sheet.show();
    QPushButton* apply = sheet.ApplyButton();
    EXPECT_FALSE(apply->isEnabled());
    Click(Control<QCheckBox>(&sheet.DispPp(), 1004));
    EXPECT_TRUE(apply->isEnabled());
    Click(apply);
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_FALSE(apply->isEnabled());
    EXPECT_EQ(StoredInt(kDisp), 0x2F);
    // Cancel keeps what Apply stored.
    Click(Control<QPushButton>(&sheet, 2));
    EXPECT_EQ(StoredInt(kDisp), 0x2F);
}

// ---- 表示 ----------------------------------------------------------------------

TEST_F(OptionsSheet, DisplayPageKeepsTheBitsItDoesNotShow)
{
    const quint32 stored = 0xFFFFFC00u | 0x155u;
    profile.Profile().WriteProfileInt(kDisp, kFlags, int(stored));
    CAppOptionPs sheet;
    sheet.show();
    QWidget* page = &sheet.DispPp();
    const int ids[] = {1003, 1000, 1004, 1006, 1142, 1051, 1158, 1095, 1105, 1109};
    for (int bit = 0; bit < 10; ++bit)
        EXPECT_EQ(Control<QCheckBox>(page, ids[bit])->isChecked(), bool(stored & (1u << bit))) << bit;
    Click(Control<QCheckBox>(page, 1000)); // bit 1 on
    Click(Control<QCheckBox>(page, 1109)); // bit 9 on
    Click(Control<QCheckBox>(page, 1003)); // bit 0 off
    Click(Ok(&sheet));
    EXPECT_EQ(quint32(StoredInt(kDisp)), (stored | 0x202u) & ~0x1u);
}

TEST_F(OptionsSheet, AnEmptyHelpPathMeansAHelpFile)
{
    CAppOptionPs sheet;
    sheet.show();
    QWidget* page = &sheet.DispPp();
    EXPECT_TRUE(Control<QRadioButton>(page, 1057)->isChecked());
    EXPECT_TRUE(Control<QLineEdit>(page, 1016)->text().isEmpty());
    EXPECT_TRUE(Control<QPushButton>(page, 1054)->isEnabled());
    EXPECT_TRUE(Control<QLabel>(page, 1073)->text().endsWith(QStringLiteral("Help/HelpIndex.htm")));
    Click(Ok(&sheet));
    EXPECT_EQ(StoredString(kDisp, QStringLiteral("HelpFilePath")), QString());
}

TEST_F(OptionsSheet, TheOnlineHelpIsChosenAgainOnReopening)
{
    {
        CAppOptionPs sheet;
        sheet.show();
        QWidget* page = &sheet.DispPp();
        Control<QLineEdit>(page, 1016)->setText(QStringLiteral("/tmp/old.htm"));
        Click(Control<QRadioButton>(page, 1072));
        EXPECT_FALSE(Control<QPushButton>(page, 1054)->isEnabled());
        // The file name stays editable in both modes.
        EXPECT_TRUE(Control<QLineEdit>(page, 1016)->isEnabled());
        Click(Ok(&sheet));
    }
    EXPECT_EQ(StoredString(kDisp, QStringLiteral("HelpFilePath")), COptionDispPp::OnlineHelpAddress());
    EXPECT_EQ(GlobalOptionDisp().HelpFilePath, COptionDispPp::OnlineHelpAddress());
    CAppOptionPs again;
    again.show();
    QWidget* page = &again.DispPp();
    EXPECT_TRUE(Control<QRadioButton>(page, 1072)->isChecked());
    EXPECT_TRUE(Control<QLineEdit>(page, 1016)->text().isEmpty());
    EXPECT_FALSE(Control<QPushButton>(page, 1054)->isEnabled());
    Click(Control<QRadioButton>(page, 1057));
    EXPECT_TRUE(Control<QPushButton>(page, 1054)->isEnabled());
    Click(Ok(&again));
    EXPECT_EQ(StoredString(kDisp, QStringLiteral("HelpFilePath")), QString());
}

TEST_F(OptionsSheet, BrowsingForTheHelpFile)
{
    CAppOptionPs sheet;
    sheet.show();
    QWidget* page = &sheet.DispPp();
    AnswerFileDialogs(QString());
    Click(Control<QPushButton>(page, 1054));
    EXPECT_FALSE(sheet.ApplyButton()->isEnabled()); // cancelled: nothing changed
    AnswerFileDialogs(QStringLiteral("/opt/ヘルプ/HelpIndex.htm"));
    Click(Control<QPushButton>(page, 1054));
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].filter, QStringLiteral("Pairwell Help File (*.htm)"));
    EXPECT_EQ(requests[1].defaultSuffix, QStringLiteral("htm"));
    EXPECT_EQ(requests[1].initialPath, QStringLiteral("HelpIndex.htm"));
    EXPECT_EQ(Control<QLineEdit>(page, 1016)->text(), QStringLiteral("/opt/ヘルプ/HelpIndex.htm"));
    EXPECT_TRUE(sheet.ApplyButton()->isEnabled());
    Click(Ok(&sheet));
    EXPECT_EQ(StoredString(kDisp, QStringLiteral("HelpFilePath")), QStringLiteral("/opt/ヘルプ/HelpIndex.htm"));
}

// ---- 同期 ----------------------------------------------------------------------

TEST_F(OptionsSheet, SyncPageKeepsTheBitsItDoesNotShow)
{
    // Bits 0 and 2, 9, 12-31 and TransferMode 3.
    const quint32 stored = 0xFFFFF000u | 0x200u | 0x30u | 0x5u;
    profile.Profile().WriteProfileInt(kSync, kFlags, int(stored));
    profile.Profile().WriteProfileString(kSync, QStringLiteral("LogFilePath"), QStringLiteral("/var/log/p.log"));
    CAppOptionPs sheet(nullptr, CAppOptionPs::SyncPage);
    sheet.show();
    QWidget* page = &sheet.SyncPp();
    EXPECT_TRUE(Control<QCheckBox>(page, 1007)->isChecked());
    EXPECT_TRUE(Control<QCheckBox>(page, 1010)->isChecked());
    EXPECT_FALSE(Control<QCheckBox>(page, 1069)->isChecked());
    EXPECT_FALSE(Control<QCheckBox>(page, 1075)->isChecked());
    EXPECT_EQ(Control<QComboBox>(page, 1138)->currentIndex(), -1);
    EXPECT_EQ(Control<QLineEdit>(page, 1108)->text(), QStringLiteral("/var/log/p.log"));
    // The hidden-entry switches exist but are not shown.
    EXPECT_FALSE(Control<QCheckBox>(page, 1140)->isVisible());
    EXPECT_FALSE(Control<QCheckBox>(page, 1139)->isVisible());
    EXPECT_TRUE(Control<QCheckBox>(page, 1023)->isVisible());
    Click(Control<QCheckBox>(page, 1023)); // bit 7 on
    Click(Ok(&sheet));
    EXPECT_EQ(quint32(StoredInt(kSync)), stored | 0x80u);
    EXPECT_EQ(StoredString(kSync, QStringLiteral("LogFilePath")), QStringLiteral("/var/log/p.log"));
}

TEST_F(OptionsSheet, SyncPageTransferModeAndLogFile)
{
    CAppOptionPs sheet(nullptr, CAppOptionPs::SyncPage);
    sheet.show();
    QWidget* page = &sheet.SyncPp();
    auto* transfer = Control<QComboBox>(page, 1138);
    ASSERT_EQ(transfer->count(), 3);
    EXPECT_EQ(transfer->itemText(1), QStringLiteral("更新されたファイルのみを転送する"));
    EXPECT_EQ(transfer->currentIndex(), 0);
    EXPECT_TRUE(Control<QCheckBox>(page, 1075)->isChecked());
    transfer->setCurrentIndex(2);
    Click(Control<QCheckBox>(page, 1075)); // recycle bin off
    AnswerFileDialogs(QStringLiteral("/home/u/sync.log"));
    Click(Control<QPushButton>(page, 1054));
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].filter, QStringLiteral("Logfile (*.log)"));
    EXPECT_EQ(requests[0].defaultSuffix, QStringLiteral("log"));
    EXPECT_TRUE(requests[0].mayNotExist); // a new log file may be named
    Click(Ok(&sheet));
    EXPECT_EQ(StoredInt(kSync), 0x20);
    EXPECT_EQ(StoredString(kSync, QStringLiteral("LogFilePath")), QStringLiteral("/home/u/sync.log"));
    EXPECT_EQ(GlobalOptionSync().GetTransferMode(), TransferMode::AddedOnly);
}

TEST_F(OptionsSheet, SyncAndGlobalFilterPagesShareTheirRecord)
{
    CAppOptionPs sheet(nullptr, CAppOptionPs::SyncPage);
    sheet.show();
    Click(Control<QCheckBox>(&sheet.SyncPp(), 1007));
    sheet.Tabs()->setCurrentIndex(CAppOptionPs::GlobalFilterPage);
    Click(Control<QCheckBox>(&sheet.GlobalFilterPp(), 1144));
    Click(Ok(&sheet));
    EXPECT_EQ(StoredInt(kSync), 0x1041);
}

// ---- ツール --------------------------------------------------------------------

TEST_F(OptionsSheet, ToolPageBrowsesAndStoresBothTools)
{
    profile.Profile().WriteProfileString(kTool, QStringLiteral("PathToolCompareText"), QStringLiteral("/usr/bin/diff"));
    CAppOptionPs sheet(nullptr, CAppOptionPs::ToolPage);
    sheet.show();
    QWidget* page = &sheet.ToolPp();
    EXPECT_EQ(Control<QLineEdit>(page, 1026)->text(), QStringLiteral("/usr/bin/diff"));
    EXPECT_TRUE(Control<QLineEdit>(page, 1027)->text().isEmpty());
    AnswerFileDialogs(QStringLiteral("/usr/bin/meld"));
    Click(Control<QPushButton>(page, 1054));
    AnswerFileDialogs(QStringLiteral("/usr/bin/cmp"));
    Click(Control<QPushButton>(page, 1025));
    ASSERT_EQ(requests.size(), 2u);
    // Each dialog opens on the tool it replaces.
    EXPECT_EQ(requests[0].initialPath, QStringLiteral("/usr/bin/diff"));
    EXPECT_TRUE(requests[1].initialPath.isEmpty());
    EXPECT_TRUE(requests[0].defaultSuffix.isEmpty());
    EXPECT_EQ(Control<QLineEdit>(page, 1026)->text(), QStringLiteral("/usr/bin/meld"));
    Click(Ok(&sheet));
    EXPECT_EQ(StoredString(kTool, QStringLiteral("PathToolCompareText")), QStringLiteral("/usr/bin/meld"));
    EXPECT_EQ(StoredString(kTool, QStringLiteral("PathToolCompareBin")), QStringLiteral("/usr/bin/cmp"));
    EXPECT_EQ(GlobalOptionTool().PathToolCompareBin, QStringLiteral("/usr/bin/cmp"));
}

// ---- the document's options command -------------------------------------------

class DocumentOptions : public OptionsSheet
{
protected:
    DocumentOptions()
    {
        profile.SetFilters(
            {{QStringLiteral("Bak"), QStringLiteral("!*.bak")}, {QStringLiteral("Txt"), QStringLiteral("*.txt")}});
        doc.SetCommonFilterSelection({QStringLiteral("Txt")});
    }

    CMyDoc doc;
    QSignalSpy hints{&doc, &CMyDoc::UpdateAllViews};
};

TEST_F(DocumentOptions, OkReplacesTheSelectionAndAsksBeforeTheRescan)
{
    ModalScript<CAppOptionPs> script;
    script.Then([&](CAppOptionPs* sheet) {
        sheet->Tabs()->setCurrentIndex(CAppOptionPs::GlobalFilterPage);
        auto* list = Control<CFilterEntryList>(&sheet->GlobalFilterPp(), 1080);
        EXPECT_EQ(list->CheckedNames(), QStringList{QStringLiteral("Txt")});
        list->topLevelItem(0)->setCheckState(0, Qt::Checked);
        Click(Control<QCheckBox>(&sheet->DispPp(), 1142));
        Click(Ok(sheet));
    });
    prompt.Push(PromptAnswer::Cancel);
    EXPECT_TRUE(RunAppOptionsSheet(nullptr, doc));
    // The new options stay; only the rescan is left out.
    EXPECT_EQ(StoredInt(kDisp), 0x3B);
    EXPECT_EQ(doc.GetCommonFilterSelection(), (QStringList{QStringLiteral("Bak"), QStringLiteral("Txt")}));
    // The selection lives in the document's file: closing it now asks to save.
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(prompt.Texts(), QStringList{OptionText::RescanAll});
    EXPECT_EQ(hints.count(), 0);

    // OK without a change of the selection leaves the document as it was.
    doc.SetModifiedFlag(false);
    script.Then([&](CAppOptionPs* sheet) { Click(Ok(sheet)); });
    prompt.Push(PromptAnswer::Ok);
    EXPECT_TRUE(RunAppOptionsSheet(nullptr, doc));
    EXPECT_FALSE(doc.IsModified());
    ASSERT_EQ(hints.count(), 1);
    EXPECT_EQ(hints.at(0).at(0).toInt(), UpdateHint::RescanAll);
    EXPECT_EQ(hints.at(0).at(1).value<CProject*>(), nullptr);
}

TEST_F(DocumentOptions, CancelChangesNothing)
{
    ModalScript<CAppOptionPs> script;
    script.Then([&](CAppOptionPs* sheet) {
        sheet->Tabs()->setCurrentIndex(CAppOptionPs::GlobalFilterPage);
        Control<CFilterEntryList>(&sheet->GlobalFilterPp(), 1080)->topLevelItem(0)->setCheckState(0, Qt::Checked);
        Click(Control<QCheckBox>(&sheet->DispPp(), 1142));
        Click(Control<QPushButton>(sheet, 2));
    });
    const QString before = profile.Text();
    EXPECT_FALSE(RunAppOptionsSheet(nullptr, doc));
    EXPECT_EQ(profile.Text(), before);
    EXPECT_EQ(doc.GetCommonFilterSelection(), QStringList{QStringLiteral("Txt")});
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(prompt.Requests().empty());
    EXPECT_EQ(hints.count(), 0);
}

TEST_F(DocumentOptions, WhatApplyStoredCountsAfterCancel)
{
    ModalScript<CAppOptionPs> script;
    script.Then([&](CAppOptionPs* sheet) {
        sheet->Tabs()->setCurrentIndex(CAppOptionPs::GlobalFilterPage);
        auto* list = Control<CFilterEntryList>(&sheet->GlobalFilterPp(), 1080);
        list->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
        Click(sheet->ApplyButton());
        // A tick after Apply is dropped by Cancel.
        list->topLevelItem(0)->setCheckState(0, Qt::Checked);
        Click(Control<QPushButton>(sheet, 2));
    });
    prompt.Push(PromptAnswer::Ok);
    EXPECT_TRUE(RunAppOptionsSheet(nullptr, doc));
    EXPECT_TRUE(doc.GetCommonFilterSelection().isEmpty());
    EXPECT_EQ(hints.count(), 1);
}
