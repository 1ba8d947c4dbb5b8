#include "typenames.h"

QString TTypeNames::Extension(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1);
}

QString TTypeNames::For(const QString &name, bool isDir)
{
    if (name == QLatin1String(".."))
        return QStringLiteral("父文件夹");
    if (isDir)
        return QStringLiteral("文件文件夹");
    if (!name.contains(QLatin1Char('.')))
        return QStringLiteral("未知类型");
    const QString ext = Extension(name).toLower();
    const auto it = m_byExtension.constFind(ext);
    if (it != m_byExtension.constEnd())
        return *it;
    // Judged by the name alone: every file of an extension gets the same text.
    const QMimeType mime = m_db.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    QString text = mime.isDefault() ? QString() : mime.comment();
    if (text.isEmpty())
        text = ext.toUpper() + QStringLiteral(" 文件");
    m_byExtension.insert(ext, text);
    return text;
}

QString TTypeNames::Shared(const QByteArray &text)
{
    auto it = m_shared.find(text);
    if (it == m_shared.end()) {
        if (m_shared.size() > 4096)  // a listing of all-different texts gains nothing
            return QString::fromUtf8(text);
        it = m_shared.insert(text, QString::fromUtf8(text));
    }
    return *it;
}
