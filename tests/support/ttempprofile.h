#pragma once
#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QTemporaryDir>

// A fresh profile folder for one test: TARNEL_HOME and TMPDIR point into a temporary
// folder for the object's lifetime, so tests never touch the user's files or each other's.
class TTempProfile {
public:
    TTempProfile();
    ~TTempProfile();

    TTempProfile(const TTempProfile &) = delete;
    TTempProfile &operator=(const TTempProfile &) = delete;

    QString Path() const;               // the profile folder, no trailing "/"
    QString FilePath(const QString &name) const;
    bool IsValid() const { return m_dir.isValid(); }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldHome, m_oldTmp;
    bool m_hadHome, m_hadTmp;
};
