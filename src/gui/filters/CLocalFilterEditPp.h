#pragma once

#include "gui/shell/CPropertyPage.h"

#include <QStringList>
#include <functional>

class CFilterEntryList;
class QCheckBox;
class QPushButton;
class QRadioButton;

// "ローカルフィルタ": whether a node uses the document's common filter
// selection or a selection of its own, and the own selection as the checks
// of the list. While the common setting is chosen the list shows the common
// selection and cannot be changed. The property sheet fills the page's data
// before it is shown and reads it after OK.
class CLocalFilterEditPp : public CPropertyPage
{
    Q_OBJECT

public:
    explicit CLocalFilterEditPp(QWidget* parent = nullptr);

    // 0: "共通設定を使用する", 1: "固有の設定をする".
    int Choice() const { return m_choice; }
    void SetChoice(int choice) { m_choice = choice; }
    // "全てのサブプロジェクトにも適用する(&R)".
    bool ApplyToSubprojects() const { return m_subtree; }
    void SetApplyToSubprojects(bool on) { m_subtree = on; }
    const QStringList& CommonSelection() const { return m_common; }
    void SetCommonSelection(const QStringList& names) { m_common = names; }
    const QStringList& OwnSelection() const { return m_own; }
    void SetOwnSelection(const QStringList& names) { m_own = names; }

    // "共通設定の編集(&C)...": edits the common settings (the options sheet on
    // its global filter page); true when confirmed, with `common` holding the
    // common selection now in force.
    using CommonEditor = std::function<bool(QWidget* parent, QStringList& common)>;
    void SetCommonEditor(CommonEditor editor) { m_editCommon = std::move(editor); }

    void OnOK() override;

protected:
    void OnInitPage() override;

private:
    // Takes the choice from the radio buttons and fills the list with the selection it shows.
    void FillList();
    void EditCommon();

    int m_choice = 0;
    bool m_subtree = false;
    QStringList m_common;
    QStringList m_own;
    CommonEditor m_editCommon;

    QRadioButton* m_useCommon;
    QRadioButton* m_useOwn;
    QPushButton* m_editCommonButton;
    QCheckBox* m_subtreeBox;
    CFilterEntryList* m_list;
};
