#pragma once
#include <QtWidgets/QWidget>

#include <functional>

// A bar between two parts of a window that resizes one neighbour (the "control") when
// dragged. The owner may refuse a size through CanResize; Moved follows every accepted one.
class TSplitterBar : public QWidget {
    Q_OBJECT

public:
    // Qt::Vertical: a horizontal bar that changes the control's height; Qt::Horizontal: a
    // vertical bar that changes its width. `controlAfter`: the control lies below (or right
    // of) the bar, so dragging towards it shrinks it.
    TSplitterBar(Qt::Orientation orientation, QWidget *control, bool controlAfter, QWidget *parent = nullptr);

    std::function<bool(int &newSize)> CanResize;

    // Sets the control's size when CanResize accepts it; returns whether it did.
    bool TryResize(int newSize);
    QWidget *Control() const { return m_control; }

signals:
    void Moved();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    int Along(const QPointF &globalPos) const;

    Qt::Orientation m_orientation;
    QWidget *m_control;
    bool m_controlAfter;
    bool m_dragging = false;
    int m_startPos = 0;
    int m_startSize = 0;
};
