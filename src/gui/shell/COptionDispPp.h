#pragma once

#include "gui/shell/CPropertyPage.h"

#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "表示": the display options (CAppOptionDisp) and where the help comes from,
// the online help page or a help file.
class COptionDispPp : public CPropertyPage
{
    Q_OBJECT

public:
    explicit COptionDispPp(QWidget* parent = nullptr);

    // The address of the online help page (the text of control 1073).
    static QString OnlineHelpAddress();

    void OnOK() override;
    // Why the last OnOK could not store the record; empty when it could.
    const QString& SaveError() const { return m_saveError; }

protected:
    void OnInitPage() override;

private:
    // 0: the online help page, 1: a help file.
    int HelpMode() const;
    void UpdateBrowseButton();
    void BrowseHelpFile();

    std::array<QCheckBox*, 10> m_bits{}; // the check boxes of bits 0-9
    QRadioButton* m_online;
    QRadioButton* m_file;
    QLabel* m_address;
    QLineEdit* m_fileName;
    QPushButton* m_browse;
    QString m_onlineAddress;
    QString m_saveError;
};
