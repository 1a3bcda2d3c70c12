#include "gui/shell/CSplitter.h"

#include <QResizeEvent>

CSplitter::CSplitter(QWidget* parent) : QSplitter(Qt::Horizontal, parent)
{
    // A pane dragged to nothing could not be found again after a restart.
    setChildrenCollapsible(false);
    // The user's own width wins over one still waiting for room.
    connect(this, &QSplitter::splitterMoved, this, [this] { m_pendingLeftWidth = -1; });
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
    if (m_pendingLeftWidth < 0 || count() < 2 || width() <= 0)
        return;
    // Until the splitter is wide enough for the asked width, it keeps asking:
    // a window laid out small at first gets the width once it has its size.
    const int available = width() - handleWidth();
    const int left = qMin(m_pendingLeftWidth, qMax(0, available));
    setSizes({left, available - left});
    if (available >= m_pendingLeftWidth)
        m_pendingLeftWidth = -1;
}
