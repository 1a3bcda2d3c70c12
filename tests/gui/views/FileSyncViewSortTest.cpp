// The file list's order and its columns: header clicks on every column in
// both directions, the header menu, and the column layout kept in the profile.

#include "FileViewFixture.h"

#include "core/platform/Paths.h"
#include "gui/resources/Pictures.h"
#include "gui/shell/CColumnEditDialog.h"

#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QTimer>
#include <functional>
#include <map>

namespace {

class FileViewSortTest : public FileViewTest
{
protected:
    void SetUp() override
    {
        FileViewTest::SetUp();
        // Every column tells these five files apart (missing sides count as
        // size 0, attributes 0 and the 1980 time).
        WriteP(QStringLiteral("Alpha.txt"), QByteArray(100, 'a'), T + 10);
        WriteT(QStringLiteral("Alpha.txt"), QByteArray(100, 'a'), T + 10);
        WriteSparse(P(QStringLiteral("beta.LOG")), 3000000000LL, T + 30);
        ::chmod(P(QStringLiteral("beta.LOG")).toLocal8Bit().constData(), 0444);
        WriteSparse(Tg(QStringLiteral("Gamma.zzz")), 5368709120LL, T + 20);
        WriteP(QStringLiteral("delta.txt"), "1234567", T + 100);
        WriteT(QStringLiteral("delta.txt"), "123", T);
        WriteP(QStringLiteral(".hidden"), "1", T + 50);
        WriteT(QStringLiteral(".hidden"), "1", T + 200);
        AddFilter(QStringLiteral("Z"), QStringLiteral("!*.zzz"));
        doc.SetCommonFilterSelection({QStringLiteral("Z")});
        GlobalOptionDisp().Flags |= DispFlag::ShowExcluded;
    }

    void TearDown() override
    {
        ::chmod(P(QStringLiteral("beta.LOG")).toLocal8Bit().constData(), 0644);
        FileViewTest::TearDown();
    }

    // The key of each file under a column id, worked out by hand.
    static std::map<QString, qint64> NumberKeys(int id)
    {
        const QString a = QStringLiteral("Alpha.txt"), b = QStringLiteral("beta.LOG"), g = QStringLiteral("Gamma.zzz"),
                      d = QStringLiteral("delta.txt"), h = QStringLiteral(".hidden");
        const qint64 never = CFileEntry::InitialTime();
        switch (id) {
        case ColumnId::StateIcon:
        case ColumnId::State: // by the state picture
            return {{a, 7}, {b, 8}, {g, 9}, {d, 10}, {h, 11}};
        case ColumnId::ExcludedIcon:
            return {{a, 0}, {b, 0}, {g, 1}, {d, 0}, {h, 0}};
        case ColumnId::ProjectSize:
            return {{a, 100}, {b, 3000000000LL}, {g, 0}, {d, 7}, {h, 1}};
        case ColumnId::TargetSize:
            return {{a, 100}, {b, 0}, {g, 5368709120LL}, {d, 3}, {h, 1}};
        case ColumnId::ProjectDate:
            return {{a, T + 10}, {b, T + 30}, {g, never}, {d, T + 100}, {h, T + 50}};
        case ColumnId::TargetDate:
            return {{a, T + 10}, {b, never}, {g, T + 20}, {d, T}, {h, T + 200}};
        case ColumnId::ProjectAttr: // R = 1, H = 2
            return {{a, 0}, {b, 1}, {g, 0}, {d, 0}, {h, 2}};
        case ColumnId::TargetAttr:
            return {{a, 0}, {b, 0}, {g, 0}, {d, 0}, {h, 2}};
        default:
            return {};
        }
    }

    // Whether the rows are in order by column `id` (ties in any order).
    ::testing::AssertionResult InOrder(int id, bool descending)
    {
        const QStringList names = Names();
        for (int row = 1; row < names.size(); ++row) {
            int comparison = 0;
            if (id == ColumnId::Name) {
                comparison = QString::compare(names[row - 1], names[row], Qt::CaseInsensitive);
            } else if (id == ColumnId::Type) {
                // Sorted by the cached type name, which spells an unknown type without the cell's space.
                comparison = QString::compare(
                    GetFileTypeName(names[row - 1]), GetFileTypeName(names[row]), Qt::CaseInsensitive);
            } else {
                const auto keys = NumberKeys(id);
                const qint64 first = keys.at(names[row - 1]);
                const qint64 second = keys.at(names[row]);
                comparison = first < second ? -1 : (first > second ? 1 : 0);
            }
            if (descending ? comparison < 0 : comparison > 0)
                return ::testing::AssertionFailure() << "column id " << id << (descending ? " desc: " : " asc: ")
                                                     << names.join(QLatin1Char(' ')).toStdString();
        }
        return ::testing::AssertionSuccess();
    }

    // The column index whose header shows the sort triangle (-1 for none; -2 for several).
    int SortPictureColumn() const
    {
        int found = -1;
        for (int column = 0; column < view->columnCount(); ++column) {
            if (!view->headerItem()->data(column, Qt::DecorationRole).isNull())
                found = found == -1 ? column : -2;
        }
        return found;
    }
};

TEST_F(FileViewSortTest, EveryColumnSortsBothWays)
{
    CSyncProject& project = AddProject();
    MakeView();
    Hint(UpdateHint::ShowFiles, &project);
    ASSERT_EQ(view->topLevelItemCount(), 5);

    // First start: by the file name, ascending.
    EXPECT_EQ(view->ColumnSettings().SortColumn(), 2);
    EXPECT_EQ(Names(),
        (QStringList{QStringLiteral(".hidden"), QStringLiteral("Alpha.txt"), QStringLiteral("beta.LOG"),
            QStringLiteral("delta.txt"), QStringLiteral("Gamma.zzz")}));
    EXPECT_EQ(SortPictureColumn(), 2);

    for (int column = 0; column < view->columnCount(); ++column) {
        const int id = view->ColumnIdAt(column);
        SCOPED_TRACE(id);
        const bool wasSorted = view->ColumnSettings().SortColumn() == column;
        ClickHeader(column);
        EXPECT_EQ(view->ColumnSettings().SortColumn(), column);
        // The sort column turns round; another column starts ascending.
        const bool descending = wasSorted;
        EXPECT_EQ(view->ColumnSettings().SortDirection(), descending ? 1 : 0);
        EXPECT_TRUE(InOrder(id, descending));
        EXPECT_EQ(SortPictureColumn(), column);
        ClickHeader(column);
        EXPECT_EQ(view->ColumnSettings().SortDirection(), descending ? 0 : 1);
        EXPECT_TRUE(InOrder(id, !descending));
        EXPECT_EQ(SortPictureColumn(), column);
    }

    // Sizes beyond 4 GiB keep their order and their full digits.
    ClickHeader(ColumnOfId(ColumnId::TargetSize));
    ASSERT_EQ(view->ColumnSettings().SortDirection(), 0);
    EXPECT_EQ(Names().last(), QStringLiteral("Gamma.zzz"));
    EXPECT_EQ(Cell(view->topLevelItemCount() - 1, ColumnId::TargetSize), QStringLiteral("5368709120"));
    EXPECT_EQ(Cell(RowOf(QStringLiteral("beta.LOG")), ColumnId::ProjectSize), QStringLiteral("3000000000"));
}

TEST_F(FileViewSortTest, TheTriangleFollowsTheSortColumn)
{
    CSyncProject& project = AddProject();
    MakeView();
    Hint(UpdateHint::ShowFiles, &project);
    const QImage up = SortPicture(0).toImage();
    const QImage down = SortPicture(1).toImage();
    auto triangle = [this](int column) {
        return view->headerItem()->data(column, Qt::DecorationRole).value<QPixmap>().toImage();
    };
    ClickHeader(2); // the sort column: now descending
    EXPECT_EQ(triangle(2), down);
    ClickHeader(4); // another column: ascending, the first loses its triangle
    EXPECT_EQ(triangle(4), up);
    EXPECT_TRUE(view->headerItem()->data(2, Qt::DecorationRole).isNull());
}

TEST_F(FileViewSortTest, HeaderMenuSortsTheColumnItWasOpenedOn)
{
    CSyncProject& project = AddProject();
    MakeView();
    Hint(UpdateHint::ShowFiles, &project);

    std::unique_ptr<QMenu> menu = view->CreateHeaderMenu(2);
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("昇順(&A)"));
    EXPECT_EQ(actions[1]->text(), QStringLiteral("降順(&D)"));
    EXPECT_TRUE(actions[2]->isSeparator());
    EXPECT_EQ(actions[3]->text(), QStringLiteral("表示項目の編集(&C)..."));
    EXPECT_TRUE(actions[0]->isChecked()); // column 2 is sorted ascending
    EXPECT_FALSE(actions[1]->isChecked());
    for (QAction* action : {actions[0], actions[1], actions[3]})
        EXPECT_TRUE(action->isEnabled());

    // "昇順" on the column already sorted ascending turns it round.
    actions[0]->trigger();
    EXPECT_EQ(view->ColumnSettings().SortColumn(), 2);
    EXPECT_EQ(view->ColumnSettings().SortDirection(), 1);
    EXPECT_TRUE(InOrder(ColumnId::Name, true));

    // On another column both commands sort it ascending; no check marks there.
    menu = view->CreateHeaderMenu(4);
    EXPECT_FALSE(menu->actions()[0]->isChecked());
    EXPECT_FALSE(menu->actions()[1]->isChecked());
    menu->actions()[1]->trigger();
    EXPECT_EQ(view->ColumnSettings().SortColumn(), 4);
    EXPECT_EQ(view->ColumnSettings().SortDirection(), 0);
    EXPECT_TRUE(InOrder(ColumnId::ProjectSize, false));
}

TEST_F(FileViewSortTest, TheMenuKeyOpensTheHeaderMenuOfTheFirstDisplayedColumn)
{
    CSyncProject& project = AddProject();
    MakeView();
    Hint(UpdateHint::ShowFiles, &project);
    // Put the name column first on the screen.
    view->header()->moveSection(view->header()->visualIndex(2), 0);

    QStringList texts;
    QTimer::singleShot(0, [&texts] {
        QWidget* popup = QApplication::activePopupWidget();
        if (auto* menu = qobject_cast<QMenu*>(popup)) {
            for (QAction* action : menu->actions())
                texts.append(action->text());
            menu->close();
        }
    });
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(-1, -1), view->mapToGlobal(QPoint(-1, -1)));
    QApplication::sendEvent(view.get(), &event);
    EXPECT_EQ(texts,
        (QStringList{QStringLiteral("昇順(&A)"), QStringLiteral("降順(&D)"), QString(),
            QStringLiteral("表示項目の編集(&C)...")}));
    EXPECT_EQ(view->MenuColumn(), 2);
}

TEST_F(FileViewTest, FirstStartShowsElevenColumnsInIdOrder)
{
    MakeView();
    ASSERT_EQ(view->columnCount(), 11);
    for (int column = 0; column < 11; ++column) {
        EXPECT_EQ(view->ColumnIdAt(column), column);
        EXPECT_EQ(view->header()->visualIndex(column), column);
    }
    EXPECT_EQ(view->columnWidth(0), 16);
    EXPECT_EQ(view->columnWidth(1), 16);
    EXPECT_EQ(view->headerItem()->text(0), QString());
    EXPECT_EQ(view->headerItem()->text(1), QString());
    EXPECT_EQ(view->headerItem()->text(2), QStringLiteral("ファイル名"));
    EXPECT_EQ(view->headerItem()->text(10), QStringLiteral("先属性"));
}

TEST_F(FileViewTest, HiddenAndMovedColumnsAreKeptAcrossRestarts)
{
    WriteP(QStringLiteral("b.txt"), "b", T);
    WriteP(QStringLiteral("a.txt"), "a", T);
    CSyncProject& project = AddProject();
    MakeView();
    Hint(UpdateHint::ShowFiles, &project);
    Select({QStringLiteral("b.txt")});

    // Hide "元日付" in the column editor.
    bool edited = false;
    ModalWatch<CColumnEditDialog> watch([&edited](CColumnEditDialog* dialog) {
        for (int row = 0; row < dialog->List()->count(); ++row) {
            if (dialog->List()->item(row)->text() == QStringLiteral("元日付"))
                dialog->List()->item(row)->setCheckState(Qt::Unchecked);
        }
        dialog->accept();
        edited = true;
    });
    view->ExecuteCommand(Cmd::EditColumns);
    ASSERT_TRUE(edited);
    ASSERT_EQ(view->columnCount(), 10);
    EXPECT_EQ(ColumnOfId(ColumnId::ProjectDate), -1);
    // The rows came back, with the selected file still selected.
    ASSERT_EQ(view->topLevelItemCount(), 2);
    ASSERT_EQ(view->SelectedRows().size(), 1u);
    EXPECT_EQ(view->SelectedRows().front()->Record().GetName(), QStringLiteral("b.txt"));

    // Drag "種類" (column index 3) to the front, then close.
    view->header()->moveSection(view->header()->visualIndex(3), 0);
    view.reset();
    CProfile& profile = CProfile::Instance();
    const QString section = QStringLiteral("FSViewColSetting");
    EXPECT_EQ(profile.GetProfileInt(section, QStringLiteral("Display6"), 1), 0);
    EXPECT_EQ(profile.GetProfileInt(section, QStringLiteral("Order6"), 0), -1);
    EXPECT_EQ(profile.GetProfileInt(section, QStringLiteral("Width6"), 0), 128);
    EXPECT_EQ(profile.GetProfileInt(section, QStringLiteral("Order3"), -1), 0);
    EXPECT_EQ(profile.GetProfileInt(section, QStringLiteral("Order0"), -1), 1);
    EXPECT_EQ(profile.GetProfileInt(section, QStringLiteral("SortCol"), -1), 2);

    // The next start shows the same layout.
    MakeView();
    ASSERT_EQ(view->columnCount(), 10);
    EXPECT_EQ(ColumnOfId(ColumnId::ProjectDate), -1);
    QList<int> displayed;
    for (int position = 0; position < view->columnCount(); ++position)
        displayed.append(view->ColumnIdAt(view->header()->logicalIndex(position)));
    EXPECT_EQ(displayed, (QList<int>{3, 0, 1, 2, 4, 5, 7, 8, 9, 10}));

    // The stored sort column still sorts by name.
    Hint(UpdateHint::ShowFiles, &project);
    EXPECT_EQ(Names(), (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt")}));
    ClickHeader(ColumnOfId(ColumnId::Name));
    EXPECT_EQ(Names(), (QStringList{QStringLiteral("b.txt"), QStringLiteral("a.txt")}));
}

} // namespace
