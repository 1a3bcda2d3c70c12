#pragma once

#include <QStringList>
#include <QTreeWidget>

class FilterSet;

// List 1080 of the filter pages: one row per filter entry of the global
// set, in set order, with the columns "名称", "除外" and "マスク"; a row's
// check box says whether the shown selection contains the entry's name.
class CFilterEntryList : public QTreeWidget
{
    Q_OBJECT

public:
    explicit CFilterEntryList(QWidget* parent = nullptr);

    // Refills the rows from `entries`, checked where `selection` holds the
    // name (exact comparison). Filling is no change of the user's.
    void Fill(const FilterSet& entries, const QStringList& selection);
    // The names of the checked rows, in row order.
    QStringList CheckedNames() const;

Q_SIGNALS:
    // The user ticked or unticked a row.
    void CheckChanged();
};
