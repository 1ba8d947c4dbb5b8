#include "tqueuegaugedelegate.h"

#include <QtGui/QPainter>

TQueueGaugeDelegate::TQueueGaugeDelegate(int gaugeColumn, int progressRole, QObject *parent)
    : QStyledItemDelegate(parent), m_gaugeColumn(gaugeColumn), m_progressRole(progressRole)
{
}

void TQueueGaugeDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                const QModelIndex &index) const
{
    if (index.column() != m_gaugeColumn) {
        QStyledItemDelegate::paint(painter, option, index);
    } else if (option.rect.width() >= 2) {
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette &pal = option.palette;
        const QColor back = selected ? pal.color(QPalette::Highlight) : pal.color(QPalette::Base);
        const QColor bar = selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text);
        const QRect cell = option.rect.adjusted(1, 1, -1, -1);
        painter->fillRect(option.rect, pal.color(selected ? QPalette::Highlight : QPalette::Base));
        painter->fillRect(cell, back);
        const int percent = qBound(0, index.data(m_progressRole).toInt(), 100);
        const int width = cell.width() * percent / 100;
        if (width > 0)
            painter->fillRect(QRect(cell.left(), cell.top(), width, cell.height()), bar);
    }
    if (m_gridLines) {
        painter->save();
        painter->setPen(option.palette.color(QPalette::Mid));
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->restore();
    }
}
