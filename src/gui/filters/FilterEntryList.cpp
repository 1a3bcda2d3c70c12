#include "gui/filters/FilterEntryList.h"

#include "core/filters/FilterSet.h"
#include "core/resources/Texts.h"

#include <QHeaderView>

namespace {
constexpr int kListId = 1080;
} // namespace

CFilterEntryList::CFilterEntryList(QWidget* parent) : QTreeWidget(parent)
{
    setObjectName(IdName(kListId));
    setColumnCount(3);
    setHeaderLabels({QStringLiteral("名称"), QStringLiteral("除外"), QStringLiteral("マスク")});
    setColumnWidth(0, 128);
    setColumnWidth(1, 40);
    setColumnWidth(2, 192);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header()->setStretchLastSection(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem*, int column) {
        if (column == 0)
            Q_EMIT CheckChanged();
    });
}

void CFilterEntryList::Fill(const FilterSet& entries, const QStringList& selection)
{
    const QSignalBlocker block(this);
    clear();
    QList<QTreeWidgetItem*> rows;
    rows.reserve(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const FilterEntry& entry = entries.at(i);
        auto* row = new QTreeWidgetItem(
            {entry.Name, entry.Exclude ? QStringLiteral("除外") : QStringLiteral("対象"), entry.GetMaskText()});
        row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren);
        row->setCheckState(0, selection.contains(entry.Name, Qt::CaseSensitive) ? Qt::Checked : Qt::Unchecked);
        rows.append(row);
    }
    addTopLevelItems(rows);
}

QStringList CFilterEntryList::CheckedNames() const
{
    QStringList names;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = topLevelItem(i);
        if (row->checkState(0) == Qt::Checked)
            names.append(row->text(0));
    }
    return names;
}
