#pragma once
#include "settingsrecords.h"

#include <QtCore/QFile>
#include <QtCore/QString>

// The message log of a run: lines as the window's log pane shows them (kind prefix, one
// space, the text), appended to the --log file and, with -v, echoed on standard error.
class TCliLog {
public:
    TCliLog();
    // False when the file cannot be opened for appending.
    bool Open(const QString &fileName);
    bool Verbose = false;

    void Info(const QString &text) { Line(m_display.LogInfoText, text); }
    void Command(const QString &text) { Line(m_display.LogCommandText, text); }
    void Response(const QString &text) { Line(m_display.LogResponseText, text); }
    void Error(const QString &text) { Line(m_display.LogErrorText, text); }
    bool Failed() const { return m_failed; }

private:
    void Line(const QString &prefix, const QString &text);

    TDisplaySettings m_display;
    QFile m_file;
    bool m_failed = false;
};
