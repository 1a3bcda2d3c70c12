#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

// "名称入力": asks for one name. OK stays disabled until the text is first
// changed (and stays enabled afterwards, even for an emptied text).
class CNameInputDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CNameInputDialog(QWidget* parent = nullptr);

    // The name typed, taken when the dialog is left with OK.
    const QString& EnteredName() const { return m_enteredName; }

    void accept() override;

private:
    QLineEdit* m_edit;
    QPushButton* m_ok;
    QString m_enteredName;
};
