#include "clilog.h"

#include "settingsio.h"
#include "tsettingsstore.h"

#include <cstdio>

TCliLog::TCliLog()
{
    TSettingsStore store;
    LoadDisplaySettings(store, m_display);
}

bool TCliLog::Open(const QString &fileName)
{
    m_file.setFileName(fileName);
    return m_file.open(QIODevice::WriteOnly | QIODevice::Append);
}

void TCliLog::Line(const QString &prefix, const QString &text)
{
    QString message = text;
    message.remove(QLatin1Char('\r'));
    message.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QByteArray line = (prefix + QLatin1Char(' ') + message).toUtf8() + '\n';
    if (m_file.isOpen() && (m_file.write(line) != line.size() || !m_file.flush()))
        m_failed = true;
    if (Verbose) {
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
        std::fflush(stderr);
    }
}
