#include "tsplitterbar.h"

#include <QtGui/QMouseEvent>

TSplitterBar::TSplitterBar(Qt::Orientation orientation, QWidget *control, bool controlAfter, QWidget *parent)
    : QWidget(parent), m_orientation(orientation), m_control(control), m_controlAfter(controlAfter)
{
    if (orientation == Qt::Vertical) {
        setFixedHeight(4);
        setCursor(Qt::SplitVCursor);
    } else {
        setFixedWidth(4);
        setCursor(Qt::SplitHCursor);
    }
}

bool TSplitterBar::TryResize(int newSize)
{
    if (CanResize && !CanResize(newSize))
        return false;
    if (m_orientation == Qt::Vertical)
        m_control->setFixedHeight(newSize);
    else
        m_control->setFixedWidth(newSize);
    emit Moved();
    return true;
}

int TSplitterBar::Along(const QPointF &globalPos) const
{
    return qRound(m_orientation == Qt::Vertical ? globalPos.y() : globalPos.x());
}

void TSplitterBar::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = true;
    m_startPos = Along(event->globalPosition());
    m_startSize = m_orientation == Qt::Vertical ? m_control->height() : m_control->width();
}

void TSplitterBar::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return;
    const int delta = Along(event->globalPosition()) - m_startPos;
    TryResize(m_controlAfter ? m_startSize - delta : m_startSize + delta);
}

void TSplitterBar::mouseReleaseEvent(QMouseEvent *)
{
    m_dragging = false;
}
