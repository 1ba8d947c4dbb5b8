#pragma once
#include <QtWidgets/QStyledItemDelegate>

// Draws the rows of the queue pages: grid lines when asked, and in the progress column a
// gauge (0..100 from the model's progress role) instead of text. The gauge has the view's
// colours, or the highlight colours while its row is selected.
class TQueueGaugeDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    // gaugeColumn -1: no gauge (the uploaded and downloaded lists).
    TQueueGaugeDelegate(int gaugeColumn, int progressRole, QObject *parent = nullptr);

    void SetGridLines(bool on) { m_gridLines = on; }
    bool GridLines() const { return m_gridLines; }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    int m_gaugeColumn;
    int m_progressRole;
    bool m_gridLines = true;
};
