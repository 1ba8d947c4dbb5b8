#pragma once
#include "settingsrecords.h"

#include <QtWidgets/QTextEdit>

// The coloured, read-only message log: one line per message, "prefix<TAB> message", the
// colour chosen by the prefix.
class TMessageLog : public QTextEdit {
    Q_OBJECT

public:
    explicit TMessageLog(QWidget *parent = nullptr);

    // Line breaks are removed; a text without a tab adds nothing.
    void AddLogLine(const QString &text, bool isError);
    // Empties the pane and takes font, tab stop and colours from the settings.
    void ApplyDisplaySettings(const TDisplaySettings &display);
    const TDisplaySettings &Display() const { return m_display; }
    qreal TabStop() const { return m_tabStop; }

private:
    TDisplaySettings m_display;
    QColor m_color;
    qreal m_tabStop = 0;
};
