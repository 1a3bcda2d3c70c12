#pragma once

#include "shell/CPropertyPage.h"

class QLineEdit;

// "ツール": the external text and binary compare tools (CAppOptionTool).
class COptionToolPp : public CPropertyPage
{
    Q_OBJECT

public:
    explicit COptionToolPp(QWidget* parent = nullptr);

    void OnOK() override;

protected:
    void OnInitPage() override;

private:
    void BrowseTool(QLineEdit* edit);

    QLineEdit* m_text;
    QLineEdit* m_binary;
};
