#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class QToolButton;

// "自動同期の開始": asks for the interval of auto-sync in whole minutes. The
// edit box (1101) takes the number; the spin control beside it (1102, also
// the Up and Down keys and the mouse wheel in the edit box) moves it by one.
// "開始" accepts only a whole number from MinMinutes to MaxMinutes; anything
// else is refused with a message and the dialog stays open.
class CAutoSyncDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int MinMinutes = 1;
    // The longest interval a timer can count in milliseconds (2^31 - 1 ms).
    static constexpr int MaxMinutes = 35791;
    // Control ids (object names) of the edit box and the spin control.
    static constexpr int IntervalEditId = 1101;
    static constexpr int IntervalSpinId = 1102;

    explicit CAutoSyncDlg(QWidget* parent = nullptr);

    // The number shown in the edit box (clamped into the accepted range).
    void SetMinutes(int minutes);
    // The minutes accepted with "開始".
    int Minutes() const { return m_minutes; }

    // The edit box's text as a whole number: surrounding blanks and full-width
    // digits are accepted, anything else is not.
    static bool ParseMinutes(const QString& text, int* minutes);

    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Step(int delta);

    QLineEdit* m_edit;
    QToolButton* m_up;
    QToolButton* m_down;
    QPushButton* m_start;
    int m_minutes = 15;
};
