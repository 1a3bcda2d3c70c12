// The file list's rows: which files, their cells and pictures, the hints that
// fill it, exclusion, tips and the empty-list text.

#include "FileViewFixture.h"

#include "core/engine/SyncState.h"
#include "core/platform/Paths.h"
#include "core/resources/Texts.h"

#include <QImage>

namespace {

// One file in every state the list can show.
class FileViewStatesTest : public FileViewTest
{
protected:
    void SetUp() override
    {
        FileViewTest::SetUp();
        WriteP(QStringLiteral("same.txt"), "12345", T);
        WriteT(QStringLiteral("same.txt"), "12345", T);
        WriteP(QStringLiteral("close.txt"), "abc", T + 2);
        WriteT(QStringLiteral("close.txt"), "abc", T);
        WriteP(QStringLiteral("pnew.txt"), "new project", T + 100);
        WriteT(QStringLiteral("pnew.txt"), "old", T);
        WriteP(QStringLiteral("tnew.txt"), "old", T);
        WriteT(QStringLiteral("tnew.txt"), "new target", T + 100);
        WriteP(QStringLiteral("ponly.txt"), "p", T);
        WriteT(QStringLiteral("tonly.txt"), "tt", T + 5);
        WriteP(QStringLiteral("sized.txt"), "1234", T);
        WriteT(QStringLiteral("sized.txt"), "12", T);
        dir.MakeFolder(QStringLiteral("left/Work/subfolder"));
    }
};

TEST_F(FileViewStatesTest, ShowsEveryStateWithItsTextAndPictures)
{
    CSyncProject& project = AddProject();
    MakeView();
    Hint(UpdateHint::ShowFiles, &project);

    ASSERT_EQ(view->topLevelItemCount(), 7); // files only: the subfolder is the tree's
    struct Expected
    {
        const char* name;
        const char* text;
        int picture;
    };
    const Expected expected[] = {
        {"same.txt", "同一", 7},
        {"close.txt", "誤差範囲内で一致", 12}, // the tolerance picture is on by default
        {"pnew.txt", "プロジェクトが最新", 10},
        {"tnew.txt", "ターゲットが最新", 11},
        {"ponly.txt", "プロジェクトにのみ存在", 8},
        {"tonly.txt", "ターゲットにのみ存在", 9},
        {"sized.txt", "Size Diff", 14},
    };
    for (const Expected& file : expected) {
        SCOPED_TRACE(file.name);
        const int row = RowOf(QString::fromLatin1(file.name));
        ASSERT_GE(row, 0);
        EXPECT_EQ(Cell(row, ColumnId::State), QString::fromUtf8(file.text));
        EXPECT_EQ(Picture(row, ColumnId::StateIcon), file.picture);
        EXPECT_EQ(Picture(row, ColumnId::ExcludedIcon), 7);
        EXPECT_EQ(Cell(row, ColumnId::StateIcon), QString()); // picture columns carry no text
        EXPECT_EQ(view->Row(row)->Record().ViewKey, quint32(file.picture));
    }

    // A file on the target side only: the project-side cells stay empty.
    const int targetOnly = RowOf(QStringLiteral("tonly.txt"));
    EXPECT_EQ(Cell(targetOnly, ColumnId::ProjectSize), QString());
    EXPECT_EQ(Cell(targetOnly, ColumnId::ProjectDate), QString());
    EXPECT_EQ(Cell(targetOnly, ColumnId::ProjectAttr), QString());
    EXPECT_EQ(Cell(targetOnly, ColumnId::TargetSize), QStringLiteral("2"));
    EXPECT_EQ(Cell(targetOnly, ColumnId::TargetDate), FormatDateTime(T + 5));
    EXPECT_EQ(Cell(targetOnly, ColumnId::Type), GetFileTypeText(Tg(QStringLiteral("tonly.txt"))));

    const int sized = RowOf(QStringLiteral("sized.txt"));
    EXPECT_EQ(Cell(sized, ColumnId::ProjectSize), QStringLiteral("4"));
    EXPECT_EQ(Cell(sized, ColumnId::TargetSize), QStringLiteral("2"));
    EXPECT_EQ(Cell(sized, ColumnId::ProjectDate), FormatDateTime(T));
    EXPECT_EQ(Cell(sized, ColumnId::ProjectAttr), QString()); // a writable, visible regular file

    // Sizes are right-aligned, names left-aligned, as the column formats say.
    EXPECT_TRUE(
        Qt::Alignment(view->topLevelItem(sized)->data(ColumnOfId(ColumnId::ProjectSize), Qt::TextAlignmentRole).toInt())
        & Qt::AlignRight);
    EXPECT_TRUE(
        Qt::Alignment(view->topLevelItem(sized)->data(ColumnOfId(ColumnId::Name), Qt::TextAlignmentRole).toInt())
        & Qt::AlignLeft);
}

TEST_F(FileViewTest, AnUnknownTypeShowsItsExtensionAndTheFileWord)
{
    WriteP(QStringLiteral("data.qzxw"), "x", T);
    WriteP(QStringLiteral("README"), "x", T);
    CSyncProject& project = AddProject();
    MakeView();
    Hint(UpdateHint::ShowFiles, &project);

    EXPECT_EQ(Cell(RowOf(QStringLiteral("data.qzxw")), ColumnId::Type), QStringLiteral("QZXW ファイル"));
    EXPECT_EQ(Cell(RowOf(QStringLiteral("README")), ColumnId::Type), QStringLiteral(" ファイル"));
}

TEST_F(FileViewStatesTest, ToleranceTextStaysWhenItsPictureIsOff)
{
    GlobalOptionDisp().Flags &= ~DispFlag::ToleranceIcon;
    CSyncProject& project = AddProject();
    MakeView();
    Hint(UpdateHint::ShowFiles, &project);
    const int row = RowOf(QStringLiteral("close.txt"));
    ASSERT_GE(row, 0);
    EXPECT_EQ(Picture(row, ColumnId::StateIcon), 7);
    EXPECT_EQ(Cell(row, ColumnId::State), QStringLiteral("誤差範囲内で一致"));
    // The tip follows the picture: none for the empty picture.
    EXPECT_EQ(view->topLevelItem(row)->toolTip(0), QString());
}

TEST_F(FileViewStatesTest, InfoTipsFollowThePictureUnlessSwitchedOff)
{
    CSyncProject& project = AddProject();
    MakeView();
    Hint(UpdateHint::ShowFiles, &project);
    auto tip = [this](const char* name) { return view->topLevelItem(RowOf(QString::fromLatin1(name)))->toolTip(3); };
    EXPECT_EQ(tip("ponly.txt"), QStringLiteral("プロジェクトにのみ存在"));
    EXPECT_EQ(tip("tonly.txt"), QStringLiteral("ターゲットにのみ存在"));
    EXPECT_EQ(tip("pnew.txt"), QStringLiteral("プロジェクトが最新"));
    EXPECT_EQ(tip("tnew.txt"), QStringLiteral("ターゲットが最新"));
    EXPECT_EQ(tip("close.txt"), QStringLiteral("誤差範囲内で一致"));
    EXPECT_EQ(tip("same.txt"), QString());
    EXPECT_EQ(tip("sized.txt"), QString());

    // The switch is read again with every hint.
    GlobalOptionDisp().Flags |= DispFlag::HideStateExplanation;
    Hint(UpdateHint::NodeChanged, &project);
    EXPECT_EQ(tip("ponly.txt"), QString());
}

TEST_F(FileViewStatesTest, EachHintFillsOrLeavesTheList)
{
    CSyncProject& project = AddProject();
    WriteP(QStringLiteral("x.txt"), "x", T);
    CSyncProject& other = AddProject(dir.MakeFolder(QStringLiteral("o/p")), dir.MakeFolder(QStringLiteral("o/t")));
    MakeView();
    EXPECT_EQ(view->topLevelItemCount(), 0);

    // Hint 0 fills nothing; 2 fills only with "always show the file information".
    Hint(UpdateHint::FirstDisplay, &project);
    EXPECT_EQ(view->topLevelItemCount(), 0);
    GlobalOptionDisp().Flags &= ~DispFlag::AlwaysShowFileInfo;
    Hint(UpdateHint::NodeChanged, &project);
    EXPECT_EQ(view->topLevelItemCount(), 0);
    Hint(UpdateHint::ShowFiles, &project);
    EXPECT_EQ(view->topLevelItemCount(), 8);
    // Selecting another project with the switch off leaves the list as it was.
    Hint(UpdateHint::NodeChanged, &other);
    EXPECT_EQ(view->topLevelItemCount(), 8);
    EXPECT_EQ(view->CurrentProject(), &other);
    EXPECT_EQ(view->ShownProject(), &project);
    GlobalOptionDisp().Flags |= DispFlag::AlwaysShowFileInfo;
    Hint(UpdateHint::NodeChanged, &other);
    EXPECT_EQ(view->topLevelItemCount(), 0);
    EXPECT_EQ(view->ShownProject(), &other);

    // 3, 4 and 5 scan again: a new file appears; the first row is selected.
    Hint(UpdateHint::ShowFiles, &project);
    WriteT(QStringLiteral("late.txt"), "late", T);
    for (int hint : {UpdateHint::RunDone, UpdateHint::Refresh, UpdateHint::RescanAll}) {
        Hint(hint, &project);
        EXPECT_EQ(view->topLevelItemCount(), 9);
        ASSERT_EQ(view->SelectedRows().size(), 1u);
        EXPECT_EQ(view->SelectedRows().front(), view->Row(0));
    }
}

TEST_F(FileViewStatesTest, NoFolderPairMeansNoRows)
{
    CSyncProject& project = AddProject();
    MakeView();
    Hint(UpdateHint::ShowFiles, &project);
    ASSERT_GT(view->topLevelItemCount(), 0);

    // A hint without a node keeps the project: a refresh scans it again.
    WriteP(QStringLiteral("late.txt"), "late", T);
    Hint(UpdateHint::Refresh, nullptr);
    EXPECT_EQ(view->topLevelItemCount(), 8);
    EXPECT_EQ(view->CurrentProject(), &project);

    // The root is no folder pair: the list empties.
    Hint(UpdateHint::NodeChanged, &doc.GetRoot());
    EXPECT_EQ(view->topLevelItemCount(), 0);
    EXPECT_EQ(view->ShownProject(), nullptr);
    EXPECT_EQ(frame.projectBytes, 0);
    EXPECT_EQ(frame.targetBytes, 0);
}

TEST_F(FileViewStatesTest, ARemovedProjectTakesItsRowsWithIt)
{
    CSyncProject& project = AddProject();
    MakeView();
    Hint(UpdateHint::ShowFiles, &project);
    Select({QStringLiteral("pnew.txt")});
    ASSERT_TRUE(Enabled(Cmd::Export));

    // The tree destroys the node without a hint: nothing may act on it any more.
    doc.GetRoot().RemoveChild(&project);
    EXPECT_EQ(view->ShownProject(), nullptr);
    EXPECT_FALSE(Enabled(Cmd::Export));
    EXPECT_FALSE(Enabled(Cmd::Refresh));
    view->ExecuteCommand(Cmd::Export);
    EXPECT_EQ(TestDir::ReadFile(Tg(QStringLiteral("pnew.txt"))), QByteArray("old"));

    // The next hint without a node empties the list.
    Hint(UpdateHint::Refresh, nullptr);
    EXPECT_EQ(view->topLevelItemCount(), 0);
}

TEST_F(FileViewTest, ExcludedFilesAreHiddenUnlessAskedFor)
{
    AddFilter(QStringLiteral("Temp"), QStringLiteral("!*.tmp"));
    doc.SetCommonFilterSelection({QStringLiteral("Temp")});
    WriteP(QStringLiteral("keep.txt"), "k", T);
    WriteP(QStringLiteral("scratch.tmp"), "s", T);
    WriteT(QStringLiteral("other.TMP"), "o", T);
    CSyncProject& project = AddProject();
    MakeView();

    GlobalOptionDisp().Flags &= ~DispFlag::ShowExcluded;
    Hint(UpdateHint::ShowFiles, &project);
    EXPECT_EQ(Names(), QStringList{QStringLiteral("keep.txt")});
    EXPECT_EQ(Picture(0, ColumnId::ExcludedIcon), 7);

    GlobalOptionDisp().Flags |= DispFlag::ShowExcluded;
    Hint(UpdateHint::ShowFiles, &project);
    ASSERT_EQ(view->topLevelItemCount(), 3);
    EXPECT_EQ(Picture(RowOf(QStringLiteral("keep.txt")), ColumnId::ExcludedIcon), 7);
    EXPECT_EQ(Picture(RowOf(QStringLiteral("scratch.tmp")), ColumnId::ExcludedIcon), 13);
    EXPECT_EQ(Picture(RowOf(QStringLiteral("other.TMP")), ColumnId::ExcludedIcon), 13);
    EXPECT_EQ(view->Row(RowOf(QStringLiteral("other.TMP")))->Record().ViewKey, (1u << 16) | 9u);

    // A project that is not synchronised: every file is excluded.
    project.SetNoSync(true);
    Hint(UpdateHint::ShowFiles, &project);
    ASSERT_EQ(view->topLevelItemCount(), 3);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(Picture(row, ColumnId::ExcludedIcon), 13);
    GlobalOptionDisp().Flags &= ~DispFlag::ShowExcluded;
    Hint(UpdateHint::ShowFiles, &project);
    EXPECT_EQ(view->topLevelItemCount(), 0);
}

TEST_F(FileViewTest, AnEmptyListSaysSoBelowTheHeader)
{
    MakeView();
    const QImage empty = view->viewport()->grab().toImage();
    CSyncProject& project = AddProject();
    Hint(UpdateHint::ShowFiles, &project); // both folders empty: still no rows
    ASSERT_EQ(view->topLevelItemCount(), 0);

    // Text pixels only below the 10-pixel gap, in the text colour.
    const QColor text = view->palette().color(QPalette::Text);
    const QColor base = view->palette().color(QPalette::Base);
    int textPixels = 0;
    for (int y = 0; y < empty.height(); ++y) {
        for (int x = 0; x < empty.width(); ++x) {
            const QColor pixel = empty.pixelColor(x, y);
            if (pixel == base)
                continue;
            EXPECT_GE(y, 10) << x << "," << y;
            if (qAbs(pixel.lightness() - text.lightness()) < qAbs(pixel.lightness() - base.lightness()))
                ++textPixels;
        }
    }
    EXPECT_GT(textPixels, 50);

    // With rows the text is gone.
    WriteP(QStringLiteral("a.txt"), "a", T);
    Hint(UpdateHint::ShowFiles, &project);
    ASSERT_EQ(view->topLevelItemCount(), 1);
    view->clearSelection();
    const QImage filled = view->viewport()->grab().toImage();
    const int rowBottom = view->visualItemRect(view->topLevelItem(0)).bottom();
    for (int y = rowBottom + 1; y < filled.height(); ++y)
        for (int x = 0; x < filled.width(); ++x)
            ASSERT_EQ(filled.pixelColor(x, y), base) << x << "," << y;
}

TEST_F(FileViewTest, AutoSizeFitsTheColumnsToTheirContents)
{
    const QString longName = QStringLiteral("a-rather-long-file-name-that-needs-room-in-its-column.txt");
    WriteP(longName, "x", T);
    CSyncProject& project = AddProject();
    MakeView();
    Hint(UpdateHint::ShowFiles, &project);
    const int nameColumn = ColumnOfId(ColumnId::Name);
    EXPECT_EQ(view->columnWidth(nameColumn), 128);
    const int needed = view->fontMetrics().horizontalAdvance(longName);

    GlobalOptionDisp().Flags |= DispFlag::AutoSizeColumns;
    Hint(UpdateHint::ShowFiles, &project);
    EXPECT_GE(view->columnWidth(nameColumn), needed);
}

TEST_F(FileViewTest, SelectionTotalsCountEachSideInSixtyFourBits)
{
    WriteSparse(P(QStringLiteral("big.bin")), 5368709120LL, T);
    WriteSparse(Tg(QStringLiteral("big.bin")), 3000000000LL, T);
    WriteP(QStringLiteral("small.txt"), "12345", T);
    WriteT(QStringLiteral("tonly.txt"), "123", T);
    CSyncProject& project = AddProject();
    MakeView();
    Hint(UpdateHint::ShowFiles, &project);

    Select({QStringLiteral("big.bin"), QStringLiteral("small.txt"), QStringLiteral("tonly.txt")});
    EXPECT_EQ(frame.projectBytes, 5368709120LL + 5);
    EXPECT_EQ(frame.targetBytes, 3000000000LL + 3);
    Select({QStringLiteral("tonly.txt")});
    EXPECT_EQ(frame.projectBytes, 0);
    EXPECT_EQ(frame.targetBytes, 3);
    view->clearSelection();
    EXPECT_EQ(frame.projectBytes, 0);
    EXPECT_EQ(frame.targetBytes, 0);
    EXPECT_GT(frame.commandUpdates, 0);

    // The selected rows follow the list's order after a sort.
    Select({QStringLiteral("big.bin"), QStringLiteral("small.txt")});
    ASSERT_EQ(view->SelectedRows().size(), 2u);
    EXPECT_EQ(view->SelectedRows().front()->Record().GetName(), QStringLiteral("big.bin"));
    ClickHeader(ColumnOfId(ColumnId::Name)); // the sort column: now descending
    ASSERT_EQ(view->SelectedRows().size(), 2u);
    EXPECT_EQ(view->SelectedRows().front()->Record().GetName(), QStringLiteral("small.txt"));
    EXPECT_EQ(frame.projectBytes, 5368709120LL + 5);
}

} // namespace
