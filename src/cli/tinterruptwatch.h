#pragma once
#include <QtCore/QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into the Interrupted signal on the main thread (through a pipe,
// the one thing a signal handler may safely touch). A second signal ends the process at
// once with the transfer failure code.
class TInterruptWatch : public QObject {
    Q_OBJECT

public:
    explicit TInterruptWatch(QObject *parent = nullptr);
    ~TInterruptWatch() override;

signals:
    void Interrupted();

private:
    QSocketNotifier *m_notifier = nullptr;
};
