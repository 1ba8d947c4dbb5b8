#include "tprogressprinter.h"

#include "tthreadmanager.h"

#include <QtCore/QFileInfo>

#include <cstdio>

namespace {

QString Eta(double seconds)
{
    if (seconds < 0 || seconds > 359999)
        return QStringLiteral("--:--");
    const int s = int(seconds + 0.5);
    if (s >= 3600)
        return QString::asprintf("%d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
    return QString::asprintf("%02d:%02d", s / 60, s % 60);
}

}  // namespace

TProgressPrinter::TProgressPrinter(const TThreadManager &manager, QObject *parent)
    : QObject(parent), m_manager(manager)
{
    m_timer.setInterval(250);
    connect(&m_timer, &QTimer::timeout, this, &TProgressPrinter::Draw);
    m_timer.start();
}

void TProgressPrinter::Clear()
{
    QByteArray out;
    for (int i = 0; i < m_lines; ++i)
        out += "\033[A\r\033[K";
    m_lines = 0;
    std::fwrite(out.constData(), 1, size_t(out.size()), stderr);
    std::fflush(stderr);
}

void TProgressPrinter::Draw()
{
    QByteArray out;
    for (int i = 0; i < m_lines; ++i)
        out += "\033[A";
    int lines = 0;
    for (const auto &item : m_manager.Queue()) {
        if (item->State != qsDownloading && item->State != qsUploading)
            continue;
        const TFtpInfo &f = item->FtpInfo;
        const qint64 size = f.IsUpload ? f.LocalSize : f.RemoteSize;
        const double speed = item->SpeedText.toDouble() * 1024.0;
        const double left = size > 0 ? double(size) * (100 - item->Progress) / 100.0 : -1;
        QString name = f.IsUpload ? QFileInfo(f.LocalFile).fileName() : QString::fromUtf8(f.RemoteFile);
        name = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
        if (name.size() > 40)
            name = name.left(37) + QStringLiteral("...");
        const QString line = QStringLiteral("%1 %2% %3 KB/s %4")
                                 .arg(name.leftJustified(40))
                                 .arg(item->Progress, 3)
                                 .arg(item->SpeedText.isEmpty() ? QStringLiteral("-") : item->SpeedText, 10)
                                 .arg(Eta(speed > 0 && left >= 0 ? left / speed : -1));
        out += "\r\033[K" + line.toUtf8() + '\n';
        ++lines;
    }
    for (int i = lines; i < m_lines; ++i)
        out += "\r\033[K\n";
    for (int i = lines; i < m_lines; ++i)
        out += "\033[A";
    m_lines = lines;
    std::fwrite(out.constData(), 1, size_t(out.size()), stderr);
    std::fflush(stderr);
}
