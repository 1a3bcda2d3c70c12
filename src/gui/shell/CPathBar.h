#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;

// A bar that shows one folder path: a label and a read-only edit that takes
// the rest of the bar's width and scrolls horizontally. The main frame shows
// the selected project folder and target folder in two of them.
class CPathBar : public QWidget
{
    Q_OBJECT

public:
    // `label` is the bar's caption ("プロジェクトフォルダ"); `barId` its id, which
    // becomes its object name.
    CPathBar(const QString& label, int barId, QWidget* parent = nullptr);

    // Shows `path`; an empty path shows "設定されていません".
    void SetPath(const QString& path);
    // The path last set (empty when none is set).
    const QString& Path() const { return m_path; }
    // The text the edit shows.
    QString Text() const;

    QLabel* Label() const { return m_label; }
    QLineEdit* Edit() const { return m_edit; }

private:
    QLabel* m_label;
    QLineEdit* m_edit;
    QString m_path;
};
