// The preview list: rows, sorting, rebuilding the lists and resizing.

#include "SyncGuiSupport.h"
#include "gui/sync/CSyncPreviewDlg.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace {

QTreeWidget* List(CSyncPreviewDlg& dialog)
{
    return Control<QTreeWidget>(&dialog, 1094);
}

QStringList Column(CSyncPreviewDlg& dialog, int column)
{
    QStringList texts;
    QTreeWidget* list = List(dialog);
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        texts << list->topLevelItem(row)->text(column);
    return texts;
}

void ClickHeader(CSyncPreviewDlg& dialog, int column)
{
    QHeaderView* header = List(dialog)->header();
    const QPoint where(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, where);
}

SyncLists SampleLists()
{
    SyncLists lists;
    lists.copySources = {QStringLiteral("/p/b/a.txt"), QStringLiteral("/p/B.txt"), QStringLiteral("/p/é.txt")};
    lists.copyDestinations = {QStringLiteral("/t/b/a.txt"), QStringLiteral("/t/B.txt"), QStringLiteral("/t/é.txt")};
    lists.deletions = {QStringLiteral("/t/_old.txt"), QStringLiteral("/t/Zed")};
    return lists;
}

} // namespace

TEST(SyncPreviewDlg, DeletionsComeFirstAllTickedWithTheirFourColumns)
{
    CSyncPreviewDlg dialog;
    dialog.SetLists(SampleLists());
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("同期対象一覧"));
    QTreeWidget* list = List(dialog);
    ASSERT_EQ(list->columnCount(), 4);
    EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("ファイル名"));
    EXPECT_EQ(list->headerItem()->text(1), QStringLiteral("動作"));
    EXPECT_EQ(list->headerItem()->text(2), QStringLiteral("コピー元/削除対象"));
    EXPECT_EQ(list->headerItem()->text(3), QStringLiteral("コピー先"));
    EXPECT_EQ(Column(dialog, 0),
        QStringList({QStringLiteral("_old.txt"), QStringLiteral("Zed"), QStringLiteral("a.txt"),
            QStringLiteral("B.txt"), QStringLiteral("é.txt")}));
    EXPECT_EQ(Column(dialog, 1),
        QStringList({QStringLiteral("削除"), QStringLiteral("削除"), QStringLiteral("コピー"), QStringLiteral("コピー"),
            QStringLiteral("コピー")}));
    EXPECT_EQ(Column(dialog, 2),
        QStringList({QStringLiteral("/t"), QStringLiteral("/t"), QStringLiteral("/p/b"), QStringLiteral("/p"),
            QStringLiteral("/p")}));
    EXPECT_EQ(Column(dialog, 3),
        QStringList({QString(), QString(), QStringLiteral("/t/b"), QStringLiteral("/t"), QStringLiteral("/t")}));
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        EXPECT_EQ(list->topLevelItem(row)->checkState(0), Qt::Checked);
    EXPECT_TRUE(Control<QPushButton>(&dialog, 1)->isEnabled());
    EXPECT_EQ(Control<QPushButton>(&dialog, 1)->text(), QStringLiteral("同期(&S)"));
    EXPECT_EQ(Control<QPushButton>(&dialog, 2)->text(), QStringLiteral("戻る(&B)"));

    // Accepting untouched gives the same actions back, deletions and copies each in their order.
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Lists().deletions, SampleLists().deletions);
    EXPECT_EQ(dialog.Lists().copySources, SampleLists().copySources);
    EXPECT_EQ(dialog.Lists().copyDestinations, SampleLists().copyDestinations);
}

TEST(SyncPreviewDlg, AnEmptyListCanOnlyBeLeftByGoingBack)
{
    CSyncPreviewDlg dialog;
    dialog.SetLists(SyncLists());
    dialog.show();
    auto* sync = Control<QPushButton>(&dialog, 1);
    EXPECT_FALSE(sync->isEnabled());
    QTest::keyClick(List(dialog), Qt::Key_Return);
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    QTest::mouseClick(Control<QPushButton>(&dialog, 2), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST(SyncPreviewDlg, HeaderClicksSortByCodeUnitsAndEveryClickFlipsTheDirection)
{
    CSyncPreviewDlg dialog;
    dialog.SetLists(SampleLists());
    dialog.show();
    const QStringList ascending{QStringLiteral("B.txt"), QStringLiteral("Zed"), QStringLiteral("_old.txt"),
        QStringLiteral("a.txt"), QStringLiteral("é.txt")};
    QStringList descending = ascending;
    std::reverse(descending.begin(), descending.end());

    ClickHeader(dialog, 0);
    EXPECT_EQ(Column(dialog, 0), ascending);
    ClickHeader(dialog, 0);
    EXPECT_EQ(Column(dialog, 0), descending);
    ClickHeader(dialog, 2);
    EXPECT_EQ(Column(dialog, 2),
        QStringList({QStringLiteral("/p"), QStringLiteral("/p"), QStringLiteral("/p/b"), QStringLiteral("/t"),
            QStringLiteral("/t")}));
    // Equal texts keep their order: B.txt and é.txt were in this order before.
    EXPECT_EQ(Column(dialog, 0).mid(0, 2), QStringList({QStringLiteral("é.txt"), QStringLiteral("B.txt")}));
}

TEST(SyncPreviewDlg, AClickOnAnotherColumnContinuesTheAlternation)
{
    CSyncPreviewDlg dialog;
    dialog.SetLists(SampleLists());
    dialog.show();
    ClickHeader(dialog, 0);
    ClickHeader(dialog, 2);
    EXPECT_EQ(Column(dialog, 2),
        QStringList({QStringLiteral("/t"), QStringLiteral("/t"), QStringLiteral("/p/b"), QStringLiteral("/p"),
            QStringLiteral("/p")}));
    EXPECT_EQ(List(dialog)->header()->sortIndicatorSection(), 2);
    EXPECT_EQ(List(dialog)->header()->sortIndicatorOrder(), Qt::DescendingOrder);
}

TEST(SyncPreviewDlg, TheListsAreRebuiltFromTheTickedRowsInDisplayOrder)
{
    SyncLists lists = SampleLists();
    // A destination spelled in other letter case than its source is a
    // different file on this system: the rebuilt copy still names it.
    lists.copyDestinations[1] = QStringLiteral("/t/b.TXT");
    CSyncPreviewDlg dialog;
    dialog.SetLists(lists);
    dialog.show();
    ClickHeader(dialog, 0); // B.txt Zed _old.txt a.txt é.txt
    ClickHeader(dialog, 0); // é.txt a.txt _old.txt Zed B.txt
    QTreeWidget* list = List(dialog);
    list->topLevelItem(1)->setCheckState(0, Qt::Unchecked); // a.txt
    list->topLevelItem(3)->setCheckState(0, Qt::Unchecked); // Zed
    QTest::mouseClick(Control<QPushButton>(&dialog, 1), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Lists().copySources, QStringList({QStringLiteral("/p/é.txt"), QStringLiteral("/p/B.txt")}));
    EXPECT_EQ(dialog.Lists().copyDestinations, QStringList({QStringLiteral("/t/é.txt"), QStringLiteral("/t/b.TXT")}));
    EXPECT_EQ(dialog.Lists().deletions, QStringList({QStringLiteral("/t/_old.txt")}));
}

TEST(SyncPreviewDlg, TheListFollowsTheWindowWithItsLeftMarginOnTheRightAndBelow)
{
    CSyncPreviewDlg dialog;
    dialog.SetLists(SampleLists());
    dialog.show();
    QTreeWidget* list = List(dialog);
    const QPoint topLeft = list->geometry().topLeft();
    const int margin = topLeft.x();
    EXPECT_GT(margin, 0);
    for (const QSize size : {QSize(900, 600), QSize(500, 300)}) {
        dialog.resize(size);
        QTRY_COMPARE(dialog.size(), size);
        EXPECT_EQ(list->geometry().topLeft(), topLeft);
        EXPECT_EQ(list->width(), size.width() - 2 * margin);
        EXPECT_EQ(list->height(), size.height() - topLeft.y() - margin);
    }
    // The buttons stay above the list.
    EXPECT_LT(Control<QPushButton>(&dialog, 1)->geometry().bottom(), topLeft.y());
}
