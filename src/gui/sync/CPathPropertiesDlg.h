#pragma once

#include <QDialog>

// Pairwell's file-information window for one file, folder or link: where it
// is, its name, type, size, modification time, permissions, owner and group,
// and a link's target. The facts are read once, when the window opens.
class CPathPropertiesDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CPathPropertiesDlg(const QString& path, QWidget* parent = nullptr);

    // The text shown for a fact ("種類", "サイズ", …), for tests and the clipboard.
    QString FactText(const QString& label) const;

    // The permission bits as "rwxr-xr-x (0755)".
    static QString PermissionText(quint32 mode);
};
