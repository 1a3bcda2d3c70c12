#pragma once

#include "core/sync/CFileOperation.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

// The progress of one copy or delete operation: files and bytes done of the
// total, the file being worked on, and Cancel. Cancel (also Escape and the
// close box) only asks the operation to stop; the dialog stays until the
// operation has ended and its owner closes it.
class CFileProgressDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CFileProgressDlg(FileOpKind kind, QWidget* parent = nullptr);

    void SetProgress(qint64 totalFiles, qint64 totalBytes, qint64 filesDone, qint64 bytesDone, const QString& name);
    bool CancelPressed() const { return m_cancelPressed; }
    // Closes the dialog for good (the operation has ended).
    void Finish();

    void reject() override;

Q_SIGNALS:
    void CancelRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    FileOpKind m_kind;
    QLabel* m_name;
    QLabel* m_counts;
    QProgressBar* m_bar;
    QPushButton* m_cancel;
    bool m_cancelPressed = false;
    bool m_finished = false;
};
