#pragma once

#include "core/settings/CAppOptionSync.h"
#include "gui/shell/CPropertyPage.h"

#include <functional>
#include <vector>

class QCheckBox;
class QPushButton;
class QRadioButton;

// "同期設定": whether a node uses the global sync options or options of its
// own, and the own options. The controls show the working record (a copy of
// the node's own options) while "固有の設定をする" is chosen, the global
// options otherwise; only the own options can be changed here.
class CSyncProjectPropOptionPp : public CPropertyPage
{
    Q_OBJECT

public:
    explicit CSyncProjectPropOptionPp(QWidget* parent = nullptr);

    // 0: "共通設定を使用する", 1: "固有の設定をする".
    int Choice() const { return m_choice; }
    void SetChoice(int choice) { m_choice = choice; }
    const CAppOptionSync& Options() const { return m_options; }
    void SetOptions(const CAppOptionSync& options) { m_options.CopyFlagsFrom(options); }
    // "全てのサブプロジェクトにも適用する(&S)".
    bool ApplyToSubprojects() const { return m_subtree; }

    // "共通設定の編集(&C)...": edits the global options (the options sheet on
    // its sync page); true when confirmed.
    using CommonEditor = std::function<bool(QWidget* parent)>;
    void SetCommonEditor(CommonEditor editor) { m_editCommon = std::move(editor); }

    void OnOK() override;

protected:
    void OnInitPage() override;

private:
    // Shows the flags of the chosen record and enables the controls for it.
    void ShowOptions();

    int m_choice = 0;
    CAppOptionSync m_options;
    bool m_subtree = false;
    CommonEditor m_editCommon;

    QRadioButton* m_useCommon;
    QRadioButton* m_useOwn;
    QPushButton* m_editCommonButton;
    QCheckBox* m_subtreeBox;
    std::vector<QRadioButton*> m_modes; // TransferMode 0, 1, 2
    struct BitBox
    {
        SyncFlag mask;
        QCheckBox* box;
    };
    std::vector<BitBox> m_bits; // bits 2, 1, 3, 0
};
