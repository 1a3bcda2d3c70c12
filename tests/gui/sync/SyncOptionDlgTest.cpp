// The sync options dialog and the export/import dialog loop of the tree.

#include "SyncGuiSupport.h"
#include "gui/sync/CSyncOptionDlg.h"
#include "gui/sync/CSyncPreviewDlg.h"
#include "gui/sync/SyncDialogLoop.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace {

QCheckBox* Box(QWidget* dialog, int id)
{
    return Control<QCheckBox>(dialog, id);
}

QPushButton* Button(QWidget* dialog, int id)
{
    return Control<QPushButton>(dialog, id);
}

// The row of the preview list whose name column reads `name`.
QTreeWidgetItem* Row(CSyncPreviewDlg* dialog, const QString& name)
{
    auto* list = Control<QTreeWidget>(dialog, 1094);
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        if (list->topLevelItem(row)->text(0) == name)
            return list->topLevelItem(row);
    }
    ADD_FAILURE() << "no row " << name.toStdString();
    return nullptr;
}

} // namespace

TEST(SyncOptionDlg, ControlsShowTheBitsAndAcceptingUntouchedKeepsEveryBit)
{
    CSyncOptionDlg dialog;
    CAppOptionSync options;
    // Every control's bit set, TransferMode 3 (no list entry) and bits no control shows.
    options.Flags = SyncFlags::fromInt(0xA5A5'F000u | 0x1CF | 0x030);
    options.LogFilePath = QStringLiteral("/var/log/x.log");
    dialog.SetOptions(options);
    dialog.show();

    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("同期オプション"));
    EXPECT_TRUE(Box(&dialog, 1010)->isChecked());
    EXPECT_TRUE(Box(&dialog, 1069)->isChecked());
    EXPECT_TRUE(Box(&dialog, 1070)->isChecked());
    EXPECT_TRUE(Box(&dialog, 1007)->isChecked());
    EXPECT_TRUE(Box(&dialog, 1007)->isEnabled());
    EXPECT_TRUE(Box(&dialog, 1075)->isChecked());
    EXPECT_TRUE(Box(&dialog, 1023)->isChecked());
    EXPECT_TRUE(Box(&dialog, 1141)->isChecked());
    EXPECT_EQ(Control<QComboBox>(&dialog, 1138)->currentIndex(), -1);
    // "プレビュー(&P)..." is the default button; "同期(&F)" exists but is not shown.
    EXPECT_TRUE(Button(&dialog, 1030)->isDefault());
    EXPECT_EQ(Button(&dialog, 1030)->text(), QStringLiteral("プレビュー(&P)..."));
    EXPECT_EQ(Button(&dialog, 1)->text(), QStringLiteral("同期(&F)"));
    EXPECT_FALSE(Button(&dialog, 1)->isVisible());

    Button(&dialog, 1)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.PreviewChosen());
    EXPECT_EQ(dialog.Options().Flags, options.Flags);
    EXPECT_EQ(dialog.Options().LogFilePath, options.LogFilePath);
}

TEST(SyncOptionDlg, AcceptingWritesBackOnlyTheChangedBits)
{
    CSyncOptionDlg dialog;
    CAppOptionSync options;
    options.Flags = SyncFlags::fromInt(0x8000'0200u) | SyncFlag::RecycleBin | SyncFlag::DeleteFiles;
    dialog.SetOptions(options);
    dialog.show();
    EXPECT_EQ(Control<QComboBox>(&dialog, 1138)->currentIndex(), 0);
    EXPECT_EQ(Control<QComboBox>(&dialog, 1138)->itemText(2), QStringLiteral("追加されたファイルのみを転送する"));

    ClickBox(Box(&dialog, 1010)); // off
    ClickBox(Box(&dialog, 1070)); // on
    ClickBox(Box(&dialog, 1141)); // on
    Control<QComboBox>(&dialog, 1138)->setCurrentIndex(2);
    QTest::keyClick(&dialog, Qt::Key_Return); // the default button: the preview
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(dialog.PreviewChosen());
    EXPECT_EQ(dialog.Options().Flags,
        SyncFlags::fromInt(0x8000'0200u) | SyncFlag::RecycleBin | SyncFlag::DeleteFolders | SyncFlag::CheckFolders
            | 0x20u);

    // Shown again, the dialog starts from the options it is given, with the preview choice cleared.
    dialog.show();
    EXPECT_FALSE(dialog.PreviewChosen());
    EXPECT_TRUE(Box(&dialog, 1070)->isChecked());
    EXPECT_EQ(Control<QComboBox>(&dialog, 1138)->currentIndex(), 2);
    ClickBox(Box(&dialog, 1075));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    // Cancel wrote nothing back.
    EXPECT_TRUE(dialog.Options().Flags & SyncFlag::RecycleBin);
}

TEST(SyncOptionDlg, AllProjectsShowsTheSubfolderBoxTickedAndDisabled)
{
    CSyncOptionDlg dialog;
    dialog.SetTitle(QStringLiteral("全エクスポート - 同期オプション"));
    dialog.SetAllProjects(true);
    CAppOptionSync options;
    options.Flags = SyncFlag::Default;
    dialog.SetOptions(options);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("全エクスポート - 同期オプション"));
    EXPECT_TRUE(Box(&dialog, 1007)->isChecked());
    EXPECT_FALSE(Box(&dialog, 1007)->isEnabled());
    Button(&dialog, 1030)->click();
    EXPECT_TRUE(dialog.Options().Flags & SyncFlag::Recursive);
}

TEST_F(SyncGuiTest, AnExportThroughThePreviewDoesExactlyTheTickedActionsAndLogsThem)
{
    dir.WriteFile(QStringLiteral("P/keep.txt"), "same", kOld);
    dir.WriteFile(QStringLiteral("T/keep.txt"), "same", kOld);
    dir.WriteFile(QStringLiteral("P/new.txt"), "new", kNew);
    dir.WriteFile(QStringLiteral("P/changed.txt"), "changed v2", kNew);
    dir.WriteFile(QStringLiteral("T/changed.txt"), "changed v1", kOld);
    dir.WriteFile(QStringLiteral("P/skip.txt"), "skipped", kNew);
    dir.WriteFile(QStringLiteral("T/gone.txt"), "gone", kOld);
    dir.WriteFile(QStringLiteral("T/stays.txt"), "stays", kOld);
    CSyncProject& project = AddProject();

    DialogScript script;
    script
        .Then<CSyncOptionDlg>([](CSyncOptionDlg* dialog) {
            EXPECT_EQ(dialog->windowTitle(), QStringLiteral("エクスポート - 同期オプション"));
            EXPECT_TRUE(Box(dialog, 1007)->isEnabled());
            ClickBox(Box(dialog, 1010)); // delete target-only files
            ClickBox(Box(dialog, 1075)); // for good
            ClickBox(Box(dialog, 1023)); // no questions
            QTest::mouseClick(Button(dialog, 1030), Qt::LeftButton);
        })
        .Then<CSyncPreviewDlg>([](CSyncPreviewDlg* dialog) {
            auto* list = Control<QTreeWidget>(dialog, 1094);
            EXPECT_EQ(list->topLevelItemCount(), 5);
            Row(dialog, QStringLiteral("skip.txt"))->setCheckState(0, Qt::Unchecked);
            Row(dialog, QStringLiteral("stays.txt"))->setCheckState(0, Qt::Unchecked);
            QTest::mouseClick(Button(dialog, 1), Qt::LeftButton);
        });
    int runs = 0;
    EXPECT_TRUE(RunSyncDialogLoop(owner.get(), doc, project, SyncDirection::Export, [&] { ++runs; }));
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(doc.IsPreview());
    EXPECT_TRUE(prompt.Requests().empty()) << prompt.Texts().join(QLatin1Char('|')).toStdString();

    EXPECT_EQ(TestDir::ReadFile(T("new.txt")), QByteArray("new"));
    EXPECT_EQ(TestDir::ReadFile(T("changed.txt")), QByteArray("changed v2"));
    EXPECT_FALSE(TestDir::Exists(T("gone.txt")));
    EXPECT_FALSE(TestDir::Exists(T("skip.txt")));
    EXPECT_EQ(TestDir::ReadFile(T("stays.txt")), QByteArray("stays"));
    EXPECT_FALSE(TestDir::Exists(dir.PathOf(QStringLiteral("data/Trash/files/gone.txt"))));

    // The working copy has no log path: the run wrote a log file of its own, with exactly the ticked actions.
    const QString log = doc.LastSyncResult().logPath;
    EXPECT_TRUE(log.startsWith(dir.PathOf(QStringLiteral("tmp/PWL"))));
    EXPECT_EQ(LogLines(log),
        QStringList({QStringLiteral("DEL ") + T("gone.txt"),
            QStringLiteral("COPY ") + P("changed.txt") + QLatin1Char(' ') + T("changed.txt"),
            QStringLiteral("COPY ") + P("new.txt") + QLatin1Char(' ') + T("new.txt")}));
    // The project's options (here the global ones) were not touched by the dialog.
    EXPECT_EQ(GlobalOptionSync().Flags, SyncFlag::Default);
}

TEST_F(SyncGuiTest, BackFromThePreviewShowsTheOptionsAgainAsLastAccepted)
{
    dir.WriteFile(QStringLiteral("P/new.txt"), "new", kNew);
    dir.MakeFolder(QStringLiteral("T"));
    CSyncProject& project = AddProject();

    DialogScript script;
    script
        .Then<CSyncOptionDlg>([](CSyncOptionDlg* dialog) {
            EXPECT_TRUE(IsSyncBusy()); // no timer may start another run meanwhile
            ClickBox(Box(dialog, 1010));
            Control<QComboBox>(dialog, 1138)->setCurrentIndex(1);
            QTest::mouseClick(Button(dialog, 1030), Qt::LeftButton);
        })
        .Then<CSyncPreviewDlg>([](CSyncPreviewDlg* dialog) {
            // Only updated files: the new file is not listed, so the list is empty.
            EXPECT_EQ(Control<QTreeWidget>(dialog, 1094)->topLevelItemCount(), 0);
            EXPECT_FALSE(Button(dialog, 1)->isEnabled());
            QTest::mouseClick(Button(dialog, 2), Qt::LeftButton);
        })
        .Then<CSyncOptionDlg>([](CSyncOptionDlg* dialog) {
            EXPECT_TRUE(Box(dialog, 1010)->isChecked());
            EXPECT_EQ(Control<QComboBox>(dialog, 1138)->currentIndex(), 1);
            Control<QComboBox>(dialog, 1138)->setCurrentIndex(0);
            QTest::mouseClick(Button(dialog, 1030), Qt::LeftButton);
        })
        .Then<CSyncPreviewDlg>([](CSyncPreviewDlg* dialog) {
            EXPECT_EQ(Control<QTreeWidget>(dialog, 1094)->topLevelItemCount(), 1);
            QTest::mouseClick(Button(dialog, 2), Qt::LeftButton);
        })
        .Then<CSyncOptionDlg>([](CSyncOptionDlg* dialog) {
            EXPECT_EQ(Control<QComboBox>(dialog, 1138)->currentIndex(), 0);
            QTest::mouseClick(Button(dialog, 2), Qt::LeftButton);
        });
    int runs = 0;
    EXPECT_FALSE(RunSyncDialogLoop(owner.get(), doc, project, SyncDirection::Export, [&] { ++runs; }));
    EXPECT_TRUE(script.Done()) << script.StepsRun();
    EXPECT_FALSE(IsSyncBusy());
    EXPECT_EQ(runs, 2);
    EXPECT_FALSE(doc.IsPreview());
    EXPECT_FALSE(TestDir::Exists(T("new.txt")));
    EXPECT_TRUE(prompt.Requests().empty());
}

TEST_F(SyncGuiTest, AnAllExportAlwaysIncludesSubfolders)
{
    dir.WriteFile(QStringLiteral("P/top.txt"), "top", kNew);
    dir.WriteFile(QStringLiteral("P/sub/deep.txt"), "deep", kNew);
    dir.MakeFolder(QStringLiteral("T/sub"));
    dir.WriteFile(QStringLiteral("Q/q.txt"), "q", kNew);
    dir.MakeFolder(QStringLiteral("U"));
    AddProject();
    AddProject(QStringLiteral("Q"), QStringLiteral("U"));
    GlobalOptionSync().Flags = SyncFlag::Default | SyncFlag::NoConfirmation; // bit 0 clear

    DialogScript script;
    script.Then<CSyncOptionDlg>([](CSyncOptionDlg* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("全エクスポート - 同期オプション"));
        EXPECT_TRUE(Box(dialog, 1007)->isChecked());
        EXPECT_FALSE(Box(dialog, 1007)->isEnabled());
        Button(dialog, 1)->click(); // the hidden "同期(&F)": no preview
    });
    EXPECT_TRUE(RunSyncDialogLoop(owner.get(), doc, doc.GetRoot(), SyncDirection::Export, {}));
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(TestDir::ReadFile(T("top.txt")), QByteArray("top"));
    EXPECT_EQ(TestDir::ReadFile(T("sub/deep.txt")), QByteArray("deep"));
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("U/q.txt"))), QByteArray("q"));
    // The global options themselves keep bit 0 clear.
    EXPECT_EQ(GlobalOptionSync().Flags, SyncFlag::Default | SyncFlag::NoConfirmation);
}

TEST_F(SyncGuiTest, AnImportAsksBeforeReplacingAndAnswersComeFromTheWindowThread)
{
    dir.WriteFile(QStringLiteral("P/a.txt"), "old a", kOld);
    dir.WriteFile(QStringLiteral("T/a.txt"), "new a", kNew);
    dir.WriteFile(QStringLiteral("P/b.txt"), "old b", kOld);
    dir.WriteFile(QStringLiteral("T/b.txt"), "new b", kNew);
    CSyncProject& project = AddProject();

    DialogScript script;
    script.Then<CSyncOptionDlg>([](CSyncOptionDlg* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("インポート - 同期オプション"));
        Button(dialog, 1)->click();
    });
    prompt.Push(PromptAnswer::No); // a.txt stays
    prompt.Push(PromptAnswer::Yes); // b.txt is replaced
    EXPECT_TRUE(RunSyncDialogLoop(owner.get(), doc, project, SyncDirection::Import, {}));
    ASSERT_EQ(prompt.Requests().size(), 2u);
    EXPECT_EQ(prompt.Requests().at(0).buttons, PromptButtons::YesYesToAllNoCancel);
    EXPECT_TRUE(prompt.Texts().at(0).startsWith(P("a.txt")));
    EXPECT_EQ(prompt.onGuiThread, std::vector<bool>({true, true}));
    EXPECT_EQ(TestDir::ReadFile(P("a.txt")), QByteArray("old a"));
    EXPECT_EQ(TestDir::ReadFile(P("b.txt")), QByteArray("new b"));
}
