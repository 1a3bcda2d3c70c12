#pragma once

#include <QSplitter>

// The main window's splitter: one row, two panes (the project tree on the
// left, the file list on the right) and a divider the user drags. The left
// pane keeps its width when the window is resized; the right pane takes the
// difference.
class CSplitter : public QSplitter
{
    Q_OBJECT

public:
    explicit CSplitter(QWidget* parent = nullptr);

    void SetPanes(QWidget* left, QWidget* right);

    // The width of the left pane in pixels. Before the splitter was first laid
    // out, the width that was asked for.
    int LeftPaneWidth() const;
    void SetLeftPaneWidth(int width);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ApplyPendingWidth();

    int m_pendingLeftWidth = -1; // asked for before the splitter had a width
};
