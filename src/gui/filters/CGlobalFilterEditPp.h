#pragma once

#include "gui/shell/CPropertyPage.h"

#include <QStringList>

class CFilterEntryList;
class QCheckBox;

// "グローバルフィルタ": which filter entries are in force for the document
// (the common selection, as the checks of the list) and whether the filters
// apply to folder names too (sync option bit 12). The sheet's owner fills
// the selection before the sheet is shown and reads it after OK.
class CGlobalFilterEditPp : public CPropertyPage
{
    Q_OBJECT

public:
    explicit CGlobalFilterEditPp(QWidget* parent = nullptr);

    const QStringList& Selection() const { return m_selection; }
    void SetSelection(const QStringList& names) { m_selection = names; }

    void OnOK() override;
    // Why the last OnOK could not store the record; empty when it could.
    const QString& SaveError() const { return m_saveError; }

protected:
    void OnInitPage() override;

private:
    void FillList();

    QStringList m_selection;
    CFilterEntryList* m_list;
    QCheckBox* m_folders;
    QString m_saveError;
};
