#pragma once

#include "core/settings/CAppOptionSync.h"
#include "gui/shell/CPropertyPage.h"

#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;

// "同期": the global sync options (CAppOptionSync) and the log file.
class COptionSyncPp : public CPropertyPage
{
    Q_OBJECT

public:
    explicit COptionSyncPp(QWidget* parent = nullptr);

    void OnOK() override;
    // Why the last OnOK could not store the record; empty when it could.
    const QString& SaveError() const { return m_saveError; }

protected:
    void OnInitPage() override;

private:
    void BrowseLogFile();

    struct BitBox
    {
        SyncFlag mask;
        QCheckBox* box;
    };
    std::vector<BitBox> m_bits; // bits 0-3, 6-8, 10 and 11
    QComboBox* m_transfer;
    QLineEdit* m_logFile;
    QCheckBox* m_trashReplaced; // CAppOptionSync::TrashReplaced
    QString m_saveError;
};
