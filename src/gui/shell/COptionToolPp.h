#pragma once

#include "gui/shell/CPropertyPage.h"

class QLineEdit;

// "ツール": the external text and binary compare tools (CAppOptionTool).
class COptionToolPp : public CPropertyPage
{
    Q_OBJECT

public:
    explicit COptionToolPp(QWidget* parent = nullptr);

    void OnOK() override;
    // Why the last OnOK could not store the record; empty when it could.
    const QString& SaveError() const { return m_saveError; }

protected:
    void OnInitPage() override;

private:
    void BrowseTool(QLineEdit* edit);

    QLineEdit* m_text;
    QLineEdit* m_binary;
    QString m_saveError;
};
