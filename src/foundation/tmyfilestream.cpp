#include "tmyfilestream.h"

#include <sys/stat.h>

namespace {
QString CreateMessage(const QString &fileName)
{
    return QStringLiteral("无法创建文件 %1").arg(fileName);
}
QString OpenMessage(const QString &fileName)
{
    return QStringLiteral("无法打开文件 %1").arg(fileName);
}
}  // namespace

EFCreateError::EFCreateError(const QString &fileName)
    : std::runtime_error(CreateMessage(fileName).toStdString())
{
}

QString EFCreateError::Message() const
{
    return QString::fromStdString(what());
}

EFOpenError::EFOpenError(const QString &fileName)
    : std::runtime_error(OpenMessage(fileName).toStdString())
{
}

QString EFOpenError::Message() const
{
    return QString::fromStdString(what());
}

TMyFileStream::TMyFileStream(const QString &fileName, quint16 mode, Access access)
{
    if (mode == fmCreate) {
        m_save = std::make_unique<QSaveFile>(fileName);
        if (!m_save->open(QIODevice::WriteOnly))
            throw EFCreateError(fileName);
        // The temporary file becomes the target, so its mode is the target's mode.
        if (::fchmod(m_save->handle(), access == Access::Private ? 0600 : 0644) != 0)
            throw EFCreateError(fileName);
    } else {
        m_file = std::make_unique<QFile>(fileName);
        if (!m_file->open(QIODevice::ReadOnly))
            throw EFOpenError(fileName);
    }
}

TMyFileStream::~TMyFileStream()
{
    if (m_save)
        m_save->cancelWriting();
}

QIODevice &TMyFileStream::Device()
{
    return m_save ? static_cast<QIODevice &>(*m_save) : static_cast<QIODevice &>(*m_file);
}

bool TMyFileStream::Commit()
{
    return m_save && m_save->commit();
}
