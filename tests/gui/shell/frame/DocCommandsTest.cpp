// New, open, save, save as and the recent files, run as the window's
// commands on real .snc files, with scripted file dialogs and answers.
#include "FrameFixture.h"

#include "core/resources/CommandIds.h"
#include "gui/shell/CDocCommands.h"
#include "gui/shell/CMainFrame.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <memory>

namespace {

class DocCommands : public FrameFixture
{
protected:
    void SetUp() override
    {
        FrameFixture::SetUp();
        frame = std::make_unique<CMainFrame>(doc);
        frame->DocCommands().SetOpenPathChooser([this](const QString&) {
            ++openDialogs;
            return openAnswer;
        });
        frame->DocCommands().SetSavePathChooser([this](const QString& title) {
            saveTitles << title;
            return saveAnswer;
        });
        frame->DocCommands().NewDocument();
    }
    void TearDown() override
    {
        frame.reset();
        FrameFixture::TearDown();
    }

    bool Run(int id)
    {
        const bool ran = frame->RunCommand(id);
        EXPECT_TRUE(WaitForOpening(&doc));
        return ran;
    }
    // Adds a project to the open document, as the create command does.
    void AddProject(const QString& name)
    {
        NewProjectValues values;
        values.projectFolder = MakePair(name);
        values.targetFolder = TargetOf(name);
        ASSERT_NE(CreateProject(doc.GetRoot(), values), nullptr);
    }

    CMyDoc doc;
    std::unique_ptr<CMainFrame> frame;
    QString openAnswer;
    QString saveAnswer;
    QStringList saveTitles;
    int openDialogs = 0;
};

} // namespace

TEST_F(DocCommands, SaveAsThenNewThenOpenFromTheRecentList)
{
    AddProject(QStringLiteral("alpha"));
    saveAnswer = dir.PathOf(QStringLiteral("first")); // the extension is added
    ASSERT_TRUE(Run(Cmd::FileSaveAs));
    const QString saved = dir.PathOf(QStringLiteral("first.snc"));
    EXPECT_EQ(saveTitles, (QStringList{QStringLiteral("無題")}));
    EXPECT_TRUE(TestDir::Exists(saved));
    EXPECT_EQ(doc.GetPathName(), saved);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(RecentFileList().Entries(), (QStringList{saved}));
    // The list is in the profile at once.
    EXPECT_EQ(
        CProfile::Instance().GetProfileString(QStringLiteral("Recent File List"), QStringLiteral("File1")), saved);

    ASSERT_TRUE(Run(Cmd::FileNew));
    EXPECT_EQ(doc.GetRoot().ChildCount(), 0);
    EXPECT_TRUE(doc.GetPathName().isEmpty());
    EXPECT_TRUE(prompt.Requests().empty()); // nothing was changed: no question

    ASSERT_TRUE(frame->Action(Cmd::FileMru1)->isEnabled());
    ASSERT_TRUE(Run(Cmd::FileMru1));
    EXPECT_EQ(doc.GetPathName(), saved);
    EXPECT_EQ(doc.GetRoot().ChildCount(), 1);
}

TEST_F(DocCommands, OpenThroughTheDialogAndTheListOrder)
{
    const QString a = MakeDocument(QStringLiteral("a.snc"), {QStringLiteral("alpha")});
    const QString b = MakeDocument(QStringLiteral("b.snc"), {QStringLiteral("beta"), QStringLiteral("gamma")});
    openAnswer = a;
    ASSERT_TRUE(Run(Cmd::FileOpen));
    openAnswer = b;
    ASSERT_TRUE(Run(Cmd::FileOpen));
    EXPECT_EQ(openDialogs, 2);
    EXPECT_EQ(doc.GetRoot().ChildCount(), 2);
    EXPECT_EQ(RecentFileList().Entries(), (QStringList{b, a}));

    // The second entry moves to the front when opened.
    ASSERT_TRUE(Run(Cmd::FileMru1 + 1));
    EXPECT_EQ(doc.GetPathName(), a);
    EXPECT_EQ(RecentFileList().Entries(), (QStringList{a, b}));

    // A cancelled dialog changes nothing.
    openAnswer.clear();
    Run(Cmd::FileOpen);
    EXPECT_EQ(doc.GetPathName(), a);
}

TEST_F(DocCommands, ReplacingAModifiedDocumentAsksFirst)
{
    AddProject(QStringLiteral("alpha"));
    // Cancel: the document stays.
    prompt.Push(PromptAnswer::Cancel);
    Run(Cmd::FileNew);
    EXPECT_EQ(doc.GetRoot().ChildCount(), 1);
    ASSERT_EQ(prompt.Requests().size(), 1u);
    EXPECT_EQ(prompt.Requests()[0].buttons, PromptButtons::YesNoCancel);

    // Yes: saved under a path asked for, then replaced.
    prompt.Push(PromptAnswer::Yes);
    saveAnswer = dir.PathOf(QStringLiteral("kept.snc"));
    ASSERT_TRUE(Run(Cmd::FileNew));
    EXPECT_EQ(doc.GetRoot().ChildCount(), 0);
    ASSERT_TRUE(TestDir::Exists(saveAnswer));
    CMyDoc reread;
    ASSERT_TRUE(reread.OnOpenDocument(saveAnswer));
    EXPECT_EQ(reread.GetRoot().ChildCount(), 1);
    EXPECT_EQ(RecentFileList().At(0), saveAnswer);
    EXPECT_EQ(prompt.UnexpectedCount(), 0);
}

TEST_F(DocCommands, SaveWithoutAPathAsksForOne)
{
    AddProject(QStringLiteral("alpha"));
    saveAnswer = dir.PathOf(QStringLiteral("new.snc"));
    ASSERT_TRUE(Run(Cmd::FileSave));
    EXPECT_EQ(saveTitles.size(), 1);
    EXPECT_EQ(doc.GetPathName(), saveAnswer);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("new.snc - Pairwell"));

    // A second save goes to the same file without asking.
    ASSERT_TRUE(Run(Cmd::FileSave));
    EXPECT_EQ(saveTitles.size(), 1);
}

TEST_F(DocCommands, AFileThatCannotBeReadLeavesTheDocumentOnScreen)
{
    const QString good = MakeDocument(QStringLiteral("good.snc"), {QStringLiteral("alpha")});
    ASSERT_TRUE(frame->DocCommands().OpenDocumentFile(good) && WaitForOpening(&doc));
    prompt.Push(PromptAnswer::Ok);
    EXPECT_FALSE(frame->DocCommands().OpenDocumentFile(dir.PathOf(QStringLiteral("missing.snc"))));
    EXPECT_EQ(prompt.Requests().size(), 1u);
    EXPECT_EQ(doc.GetPathName(), good);
    EXPECT_EQ(doc.GetRoot().ChildCount(), 1);
    EXPECT_EQ(RecentFileList().Entries(), (QStringList{good}));
}

TEST_F(DocCommands, ADamagedFileIsReportedAndNotRemembered)
{
    dir.WriteFile(QStringLiteral("damaged.snc"), QByteArray("\x01\x00\xFF\xFE", 4));
    prompt.Push(PromptAnswer::Ok);
    // Found damaged only when it is read, after the window went on.
    EXPECT_TRUE(frame->DocCommands().OpenDocumentFile(dir.PathOf(QStringLiteral("damaged.snc"))));
    ASSERT_TRUE(WaitForOpening(&doc));
    EXPECT_EQ(prompt.Requests().size(), 1u);
    EXPECT_TRUE(doc.GetPathName().isEmpty());
    EXPECT_TRUE(RecentFileList().Entries().isEmpty());
}

TEST_F(DocCommands, ARecentEntryThatNoLongerOpensLeavesTheList)
{
    const QString a = MakeDocument(QStringLiteral("a.snc"), {QStringLiteral("alpha")});
    const QString b = MakeDocument(QStringLiteral("b.snc"), {QStringLiteral("beta")});
    ASSERT_TRUE(frame->DocCommands().OpenDocumentFile(a) && WaitForOpening(&doc));
    ASSERT_TRUE(frame->DocCommands().OpenDocumentFile(b) && WaitForOpening(&doc));
    ASSERT_TRUE(QFile::remove(a));
    prompt.Push(PromptAnswer::Ok);
    EXPECT_FALSE(Run(Cmd::FileMru1 + 1) && doc.GetPathName() == a);
    EXPECT_EQ(RecentFileList().Entries(), (QStringList{b}));
    EXPECT_EQ(
        CProfile::Instance().GetProfileString(QStringLiteral("Recent File List"), QStringLiteral("File2")), QString());
    EXPECT_EQ(doc.GetPathName(), b);
    EXPECT_FALSE(frame->Action(Cmd::FileMru1 + 1)->isVisible());
}

TEST_F(DocCommands, FilterFileCommandsDoNothingAndOptionsWait)
{
    CommandState save = frame->CommandStateOf(Cmd::SaveFilters);
    CommandState load = frame->CommandStateOf(Cmd::LoadFilters);
    EXPECT_TRUE(save.enabled);
    EXPECT_TRUE(load.enabled);
    EXPECT_EQ(frame->CommandTargetFor(Cmd::SaveFilters), &frame->DocCommands());
    EXPECT_TRUE(Run(Cmd::SaveFilters));
    EXPECT_TRUE(Run(Cmd::LoadFilters));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(prompt.Requests().empty());
}

TEST_F(DocCommands, OptionsOpenTheSheetAndCancelChangesNothing)
{
    doc.SetCommonFilterSelection({QStringLiteral("Objects")});
    EXPECT_EQ(frame->CommandTargetFor(Cmd::Options), &frame->DocCommands());
    ASSERT_TRUE(frame->CommandStateOf(Cmd::Options).enabled);
    QString caption;
    ModalWatch<QDialog> watch([&](QDialog* sheet) {
        caption = sheet->windowTitle();
        sheet->reject();
    });
    EXPECT_TRUE(Run(Cmd::Options));
    EXPECT_EQ(caption, QStringLiteral("オプション"));
    EXPECT_EQ(doc.GetCommonFilterSelection(), QStringList{QStringLiteral("Objects")});
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(prompt.Requests().empty());
}

TEST(DocumentFileNames, DefaultExtension)
{
    EXPECT_EQ(CDocCommands::WithDefaultExtension(QStringLiteral("/d/work")), QStringLiteral("/d/work.snc"));
    EXPECT_EQ(CDocCommands::WithDefaultExtension(QStringLiteral("/d/work.snc")), QStringLiteral("/d/work.snc"));
    EXPECT_EQ(CDocCommands::WithDefaultExtension(QStringLiteral("/d.x/work")), QStringLiteral("/d.x/work.snc"));
    EXPECT_EQ(CDocCommands::WithDefaultExtension(QString()), QString());
    EXPECT_EQ(CDocCommands::FileDialogFilter(), QStringLiteral("Pairwell ﾌｧｲﾙ (*.snc)"));
}
