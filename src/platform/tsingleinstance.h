#pragma once
#include <QtCore/QObject>
#include <QtCore/QString>

class QLocalServer;

// One running program per user and profile folder. The first instance listens on a local
// socket; a later one tells it "restore" and ends.
class TSingleInstance : public QObject {
    Q_OBJECT

public:
    // The socket's name for this user and profile folder.
    static QString ServerName(const QString &profileFolder);

    explicit TSingleInstance(const QString &serverName, QObject *parent = nullptr);
    ~TSingleInstance() override;

    // True when this is the first instance (it now listens). A socket left behind by an
    // instance that died is taken over.
    bool Claim();
    // Asks the first instance to come to the front; false when none answered.
    bool SendRestore(int timeoutMs = 2000);

signals:
    void RestoreRequested();

private:
    void Accept();

    QString m_name;
    QLocalServer *m_server = nullptr;
};
