#include "ttempprofile.h"

#include <QtCore/QDir>

namespace {
void Restore(const char *name, bool had, const QByteArray &value)
{
    if (had)
        qputenv(name, value);
    else
        qunsetenv(name);
}
}  // namespace

TTempProfile::TTempProfile()
    : m_oldHome(qgetenv("TARNEL_HOME")),
      m_oldTmp(qgetenv("TMPDIR")),
      m_hadHome(qEnvironmentVariableIsSet("TARNEL_HOME")),
      m_hadTmp(qEnvironmentVariableIsSet("TMPDIR"))
{
    QDir().mkpath(m_dir.path() + QStringLiteral("/profile"));
    QDir().mkpath(m_dir.path() + QStringLiteral("/tmp"));
    qputenv("TARNEL_HOME", QFile::encodeName(Path()));
    qputenv("TMPDIR", QFile::encodeName(m_dir.path() + QStringLiteral("/tmp")));
}

TTempProfile::~TTempProfile()
{
    Restore("TARNEL_HOME", m_hadHome, m_oldHome);
    Restore("TMPDIR", m_hadTmp, m_oldTmp);
}

QString TTempProfile::Path() const
{
    return m_dir.path() + QStringLiteral("/profile");
}

QString TTempProfile::FilePath(const QString &name) const
{
    return Path() + u'/' + name;
}
