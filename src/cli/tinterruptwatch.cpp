#include "tinterruptwatch.h"

#include "exitcodes.h"

#include <QtCore/QSocketNotifier>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
int g_pipe[2] = {-1, -1};
std::atomic<int> g_count{0};

void OnSignal(int)
{
    if (g_count.fetch_add(1) > 0)
        _exit(ExitTransfer);
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(g_pipe[1], &byte, 1);
}
}  // namespace

TInterruptWatch::TInterruptWatch(QObject *parent) : QObject(parent)
{
    g_count = 0;
    if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char buffer[16];
        while (read(g_pipe[0], buffer, sizeof buffer) > 0) {
        }
        emit Interrupted();
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

TInterruptWatch::~TInterruptWatch()
{
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    delete m_notifier;
    close(g_pipe[0]);
    close(g_pipe[1]);
}
