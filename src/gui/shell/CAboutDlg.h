#pragma once

#include <QDialog>

class QLabel;

// The About box: the program icon, the version line, a line about what the
// program does, and OK.
class CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    QLabel* IconLabel() const { return m_icon; }
    QLabel* VersionLabel() const { return m_version; }
    QLabel* DescriptionLabel() const { return m_description; }

private:
    QLabel* m_icon;
    QLabel* m_version;
    QLabel* m_description;
};
