#include "gui/sync/CSyncPreviewDlg.h"

#include "core/platform/Paths.h"
#include "core/resources/Texts.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <algorithm>
#include <vector>

namespace {

constexpr int kDialogId = 144;
constexpr int kListId = 1094;
constexpr int kSyncId = 1;
constexpr int kBackId = 2;

// Columns of a row.
enum Column { NameColumn, ActionColumn, SourceFolderColumn, DestinationFolderColumn, ColumnCount };
constexpr int kColumnWidths[ColumnCount] = {128, 48, 192, 192};

// The full paths of a row's action, kept so that the rebuilt lists name
// exactly the files that were planned (a destination may spell its name in
// other letter case than its source).
constexpr int kSourceRole = Qt::UserRole;
constexpr int kDestinationRole = Qt::UserRole + 1;

// Space around the list and between the buttons and the list.
constexpr int kMargin = 8;

QString CopyText()
{
    return QStringLiteral("コピー");
}

QString DeleteText()
{
    return QStringLiteral("削除");
}

QTreeWidgetItem* MakeRow(const QString& action, const QString& path, const QString& destination)
{
    auto* item = new QTreeWidgetItem;
    item->setText(NameColumn, GetLastComponent(path));
    item->setText(ActionColumn, action);
    item->setText(SourceFolderColumn, GetParentFolder(path));
    if (!destination.isEmpty())
        item->setText(DestinationFolderColumn, GetParentFolder(destination));
    item->setData(NameColumn, kSourceRole, path);
    item->setData(NameColumn, kDestinationRole, destination);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren);
    item->setCheckState(NameColumn, Qt::Checked);
    return item;
}

} // namespace

CSyncPreviewDlg::CSyncPreviewDlg(QWidget* parent) : QDialog(parent), m_list(new QTreeWidget(this))
{
    setObjectName(IdName(kDialogId));
    setWindowTitle(QStringLiteral("同期対象一覧"));
    setSizeGripEnabled(true);

    m_list->setObjectName(IdName(kListId));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSortingEnabled(false);
    m_list->setColumnCount(ColumnCount);
    m_list->setHeaderLabels({QStringLiteral("ファイル名"), QStringLiteral("動作"), QStringLiteral("コピー元/削除対象"),
        QStringLiteral("コピー先")});
    for (int column = 0; column < ColumnCount; ++column)
        m_list->setColumnWidth(column, kColumnWidths[column]);
    QHeaderView* header = m_list->header();
    header->setSectionsClickable(true);
    header->setStretchLastSection(false);
    connect(header, &QHeaderView::sectionClicked, this, &CSyncPreviewDlg::SortByColumn);

    m_sync = new QPushButton(QStringLiteral("同期(&S)"), this);
    m_sync->setObjectName(IdName(kSyncId));
    m_sync->setDefault(true);
    m_back = new QPushButton(QStringLiteral("戻る(&B)"), this);
    m_back->setObjectName(IdName(kBackId));
    m_back->setAutoDefault(false);
    connect(m_sync, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_back, &QPushButton::clicked, this, &QDialog::reject);

    resize(640, 400);
    PlaceControls();
}

void CSyncPreviewDlg::SetLists(const SyncLists& lists)
{
    m_list->clear();
    m_lists = SyncLists();
    std::vector<QTreeWidgetItem*> rows;
    // Deletions first, in their order, then the copies in theirs.
    for (const QString& path : lists.deletions)
        rows.push_back(MakeRow(DeleteText(), path, QString()));
    for (qsizetype i = 0; i < lists.copySources.size(); ++i)
        rows.push_back(MakeRow(CopyText(), lists.copySources.at(i), lists.copyDestinations.value(i)));
    QList<QTreeWidgetItem*> items(rows.begin(), rows.end());
    m_list->addTopLevelItems(items);

    m_sync->setEnabled(!rows.empty());
    if (!rows.empty()) {
        for (int column = 0; column < ColumnCount; ++column)
            m_list->resizeColumnToContents(column);
    }
}

void CSyncPreviewDlg::SortByColumn(int column)
{
    if (column < 0 || column >= ColumnCount)
        return;
    const bool descending = m_descendingNext;
    m_descendingNext = !m_descendingNext;

    std::vector<QTreeWidgetItem*> rows;
    while (m_list->topLevelItemCount() > 0)
        rows.push_back(m_list->takeTopLevelItem(0));
    // The texts are compared by their 16-bit code units: no locale, letter case counts.
    std::stable_sort(rows.begin(), rows.end(), [column, descending](QTreeWidgetItem* a, QTreeWidgetItem* b) {
        const int order = a->text(column).compare(b->text(column), Qt::CaseSensitive);
        return descending ? order > 0 : order < 0;
    });
    m_list->addTopLevelItems(QList<QTreeWidgetItem*>(rows.begin(), rows.end()));
    m_list->header()->setSortIndicatorShown(true);
    m_list->header()->setSortIndicator(column, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void CSyncPreviewDlg::accept()
{
    if (!m_sync->isEnabled())
        return;
    m_lists = SyncLists();
    for (int row = 0; row < m_list->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = m_list->topLevelItem(row);
        if (item->checkState(NameColumn) != Qt::Checked)
            continue;
        const QString source = item->data(NameColumn, kSourceRole).toString();
        if (item->text(ActionColumn) == CopyText()) {
            m_lists.copySources << source;
            m_lists.copyDestinations << item->data(NameColumn, kDestinationRole).toString();
        } else if (item->text(ActionColumn) == DeleteText()) {
            m_lists.deletions << source;
        }
    }
    QDialog::accept();
}

void CSyncPreviewDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    PlaceControls();
}

void CSyncPreviewDlg::PlaceControls()
{
    // The buttons sit above the list at the right; the list keeps its top
    // left corner and repeats its left margin on the right and at the bottom.
    const QSize back = m_back->sizeHint();
    const QSize sync = m_sync->sizeHint().expandedTo(back);
    const int buttonWidth = qMax(sync.width(), back.width());
    m_back->setGeometry(width() - kMargin - buttonWidth, kMargin, buttonWidth, sync.height());
    m_sync->setGeometry(width() - 2 * kMargin - 2 * buttonWidth, kMargin, buttonWidth, sync.height());
    const int top = 2 * kMargin + sync.height();
    m_list->setGeometry(kMargin, top, qMax(0, width() - 2 * kMargin), qMax(0, height() - top - kMargin));
}
