#pragma once

#include "core/sync/CSyncRun.h"

#include <QDialog>

class QPushButton;
class QTreeWidget;

// "同期対象一覧": every planned deletion and copy of a run as a ticked row
// (deletions first). The user may untick rows and sort by any column;
// "同期(&S)" rebuilds the lists from the ticked rows in display order, so the
// run performs exactly those actions in that order. "戻る(&B)" (or closing)
// stops the run. The list follows the window's size with fixed margins.
class CSyncPreviewDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CSyncPreviewDlg(QWidget* parent = nullptr);

    // Fills the list from the planned actions, all ticked.
    void SetLists(const SyncLists& lists);
    // The actions of the ticked rows, valid after the dialog was accepted.
    const SyncLists& Lists() const { return m_lists; }

    // Sorts by the texts of `column`; every call flips the direction,
    // ascending first, whichever column it is (a header click calls it).
    void SortByColumn(int column);

    void accept() override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlaceControls();

    QTreeWidget* m_list;
    QPushButton* m_sync;
    QPushButton* m_back;
    SyncLists m_lists;
    bool m_descendingNext = false;
};
