#pragma once

#include "core/settings/CColumnSettings.h"

#include <QDialog>
#include <span>
#include <vector>

class QLineEdit;
class QListWidget;
class QPushButton;

// "表示項目の編集": shows, hides, reorders and sizes the file list's columns.
// It works on a copy of the caller's records (at most 16) and writes them
// back only on OK: shown = the check mark, order = the number of checked
// entries above (or -1 when unchecked), width as edited. Title, format and
// title-shown are copied back unchanged.
class CColumnEditDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kMaxColumns = 16;

    CColumnEditDialog(std::span<ColumnRecord> records, QWidget* parent = nullptr);

    void accept() override;

    QListWidget* List() const { return m_list; }

private:
    int SelectedColumn() const; // index into the records, -1 for none
    void ShowSelectedWidth();
    bool StoreWidth(); // false when the width field holds no number
    void UpdateButtons();
    void Move(int step);

    std::span<ColumnRecord> m_target;
    std::vector<ColumnRecord> m_records;
    QListWidget* m_list;
    QLineEdit* m_width;
    QPushButton* m_up;
    QPushButton* m_down;
};
