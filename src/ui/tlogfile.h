#pragma once
#include "settingsrecords.h"

#include <QtCore/QDateTime>
#include <QtCore/QString>

#include <functional>

// The connection log file: one file a day or a month in the log folder, opened, appended
// and closed for every line so each line is on disk once written. A folder that is missing
// is created; when the file still cannot be written, lines are skipped and the failure is
// reported once through OnFailure.
class TLogFile {
public:
    TLogFile();

    // LogEnabled, LogType, LogFolder and LogTimeStamp are read on every call.
    void SetOptions(const TOptions &options) { m_options = options; }
    void SetClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }
    std::function<void(const QString &message)> OnFailure;

    void Open();
    // Clears the open mark and opens again: a new start line, perhaps in a new file.
    void Reopen();
    void Write(const QString &text);
    void Close();

    bool IsOpen() const { return m_open; }
    QString FileName() const { return m_fileName; }
    static QString NameFor(const QDate &date, int logType);
    static QString TimeStamp(const QDateTime &time);

private:
    bool Append(const QByteArray &line);
    void Fail();

    TOptions m_options;
    std::function<QDateTime()> m_clock;
    bool m_open = false;
    bool m_failed = false;
    QString m_fileName;
};
