#pragma once
#include <QtCore/QObject>
#include <QtCore/QTimer>

class TThreadManager;

// On a terminal: one line per running transfer (name, percent, KB/s, time left) on
// standard error, redrawn four times a second in place.
class TProgressPrinter : public QObject {
    Q_OBJECT

public:
    explicit TProgressPrinter(const TThreadManager &manager, QObject *parent = nullptr);
    // Removes the lines drawn so far.
    void Clear();

private:
    void Draw();

    const TThreadManager &m_manager;
    QTimer m_timer;
    int m_lines = 0;
};
