#pragma once

#include "core/filters/FilterSet.h"

#include <QDialog>

class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

// "フィルタの編集": edits the filter entries themselves (names, masks, kind,
// order) on a working set of its own. The edit and the two radio buttons
// always show the entry at the selected index; what they hold is written
// back into that entry ("committed") before the selection moves and on OK.
class CFilterEditDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CFilterEditDlg(QWidget* parent = nullptr);

    // The working set, loaded from the profile when the dialog is made.
    FilterSet& WorkingSet() { return m_set; }
    const FilterSet& WorkingSet() const { return m_set; }

    void accept() override;

private:
    void ShowEntry(int index);
    void CommitShownEntry();
    void OnSelectionChanged(int row);
    void AddEntry();
    void DeleteEntry();
    void MoveEntry(int step);
    void UpdateButtons();

    FilterSet m_set;
    int m_selected = -1; // the entry the edit and the radio buttons show
    QListWidget* m_list;
    QPushButton* m_add;
    QPushButton* m_delete;
    QPushButton* m_up;
    QPushButton* m_down;
    QLineEdit* m_masks;
    QRadioButton* m_exclude;
    QRadioButton* m_include;
};

// Runs the filter edit dialog. On OK the global filter set is replaced by
// the dialog's entries and saved to the profile: true (a save that fails is
// said through the prompt). Cancel changes nothing.
bool EditFilterEntries(QWidget* parent);

namespace FilterText {
inline const QString DuplicateName
    = QStringLiteral("指定された名前はすでに存在しています。別の名前を指定してください。");
inline const QString ConfirmDelete = QStringLiteral("削除してよろしいですか？");
} // namespace FilterText
