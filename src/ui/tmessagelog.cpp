#include "tmessagelog.h"

#include "uistyle.h"

#include <QtGui/QFontMetricsF>
#include <QtGui/QTextBlock>
#include <QtGui/QTextCursor>
#include <QtGui/QTextOption>
#include <QtWidgets/QScrollBar>

TMessageLog::TMessageLog(QWidget *parent) : QTextEdit(parent)
{
    setReadOnly(true);
    setAcceptRichText(false);
    setLineWrapMode(QTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setUndoRedoEnabled(false);
    m_color = palette().color(QPalette::Text);
}

void TMessageLog::ApplyDisplaySettings(const TDisplaySettings &display)
{
    m_display = display;
    clear();
    const QFont font = StoredFont(display.LogFontName, display.LogFontSize, display.LogFontStyle);
    setFont(font);
    document()->setDefaultFont(font);
    const QFontMetricsF metrics(font, this);
    qreal widest = 0;
    for (const QString &prefix : {display.LogInfoText, display.LogCommandText, display.LogResponseText,
                                  display.LogErrorText})
        widest = qMax(widest, metrics.horizontalAdvance(QString(prefix).remove(u'\t')));
    // The width is taken as points, so the widest prefix still has room before the stop.
    m_tabStop = widest * logicalDpiX() / 72.0;
    QTextOption option = document()->defaultTextOption();
    option.setTabs({QTextOption::Tab(m_tabStop, QTextOption::LeftTab)});
    option.setWrapMode(QTextOption::NoWrap);
    document()->setDefaultTextOption(option);
    m_color = StoredColor(display.LogInfoColor, palette());
}

void TMessageLog::AddLogLine(const QString &text, bool isError)
{
    QString line = text;
    line.remove(QStringLiteral("\r\n"));
    line.remove(u'\r');
    line.remove(u'\n');
    const qsizetype tab = line.indexOf(u'\t');
    if (tab < 0)
        return;
    const QString prefix = line.left(tab + 1).toUpper();
    const TDisplaySettings &d = m_display;
    if (prefix == d.LogCommandText.toUpper())
        m_color = StoredColor(d.LogCommandColor, palette());
    else if (prefix == d.LogResponseText.toUpper())
        m_color = StoredColor(isError ? d.LogResponseErrColor : d.LogResponseColor, palette());
    else if (prefix == d.LogErrorText.toUpper())
        m_color = StoredColor(d.LogErrorColor, palette());
    else if (prefix == d.LogInfoText.toUpper())
        m_color = StoredColor(d.LogInfoColor, palette());

    QTextCharFormat format;
    QFont font = StoredFont(d.LogFontName, d.LogFontSize, d.LogFontStyle);
    format.setFont(font);
    format.setForeground(m_color);
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    if (!document()->isEmpty())
        cursor.insertBlock();
    cursor.insertText(line, format);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}
