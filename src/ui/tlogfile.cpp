#include "tlogfile.h"

#include "helpers.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QLocale>

TLogFile::TLogFile() : m_clock([] { return QDateTime::currentDateTime(); })
{
}

QString TLogFile::NameFor(const QDate &date, int logType)
{
    const QString stamp = logType != 0 ? date.toString(QStringLiteral("yyyy-MM"))
                                       : date.toString(QStringLiteral("yyyy-MM-d"));
    return QStringLiteral("连接日志 %1.log").arg(stamp);
}

QString TLogFile::TimeStamp(const QDateTime &time)
{
    const QLocale locale = QLocale::system();
    const QString ampm = time.time().hour() < 12 ? locale.amText() : locale.pmText();
    return time.toString(QStringLiteral("yyyy/MM/dd ")) +
           QStringLiteral("%1:%2:%3 ")
               .arg((time.time().hour() + 11) % 12 + 1, 2, 10, QLatin1Char('0'))
               .arg(time.time().minute(), 2, 10, QLatin1Char('0'))
               .arg(time.time().second(), 2, 10, QLatin1Char('0')) +
           ampm + QStringLiteral(" - ");
}

void TLogFile::Open()
{
    if (m_options.LogEnabled == 0 || m_open)
        return;
    m_open = true;
    const QString folder = IncludeTrailingChar(m_options.LogFolder, u'/');
    m_fileName = folder + NameFor(m_clock().date(), m_options.LogType);
    if (!QFileInfo::exists(folder))
        QDir().mkpath(folder);
    Write(QStringLiteral("连接开始。"));
}

void TLogFile::Reopen()
{
    m_open = false;
    m_failed = false;
    Open();
}

void TLogFile::Write(const QString &text)
{
    if (m_options.LogEnabled == 0)
        return;
    if (!m_open)
        Open();  // writes the start line first
    QString line = m_options.LogTimeStamp == 1 ? TimeStamp(m_clock()) + text : text;
    line += QStringLiteral("\r\n");
    if (!Append(line.toUtf8()))
        Fail();
}

void TLogFile::Close()
{
    Write(QStringLiteral("连接结束。"));
    Write(QStringLiteral("-------------------------------------"));
}

bool TLogFile::Append(const QByteArray &line)
{
    if (m_failed)
        return true;  // already reported; the file stays skipped until the next Reopen
    QFile file(m_fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    return file.write(line) == line.size() && file.flush();
}

void TLogFile::Fail()
{
    m_failed = true;
    if (OnFailure)
        OnFailure(QStringLiteral("无法创建文件 %1").arg(QDir::toNativeSeparators(m_fileName)));
}
