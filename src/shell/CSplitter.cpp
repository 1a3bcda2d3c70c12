#include "shell/CSplitter.h"

#include <QResizeEvent>

CSplitter::CSplitter(QWidget* parent) : QSplitter(Qt::Horizontal, parent)
{
    // A pane dragged to nothing could not be found again after a restart.
    setChildrenCollapsible(false);
}

void CSplitter::SetPanes(QWidget* left, QWidget* right)
{
    addWidget(left);
    addWidget(right);
    setStretchFactor(0, 0);
    setStretchFactor(1, 1);
}

int CSplitter::LeftPaneWidth() const
{
    if (m_pendingLeftWidth >= 0)
        return m_pendingLeftWidth;
    const QList<int> widths = sizes();
    return widths.isEmpty() ? 0 : widths.first();
}

void CSplitter::SetLeftPaneWidth(int width)
{
    m_pendingLeftWidth = qMax(0, width);
    ApplyPendingWidth();
}

void CSplitter::resizeEvent(QResizeEvent* event)
{
    QSplitter::resizeEvent(event);
    ApplyPendingWidth();
}

void CSplitter::ApplyPendingWidth()
{
    if (m_pendingLeftWidth < 0 || count() < 2 || width() <= 0 || !isVisible())
        return;
    const int available = width() - handleWidth();
    const int left = qMin(m_pendingLeftWidth, qMax(0, available));
    setSizes({left, available - left});
    m_pendingLeftWidth = -1;
}
