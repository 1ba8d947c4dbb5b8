#include "tsmthrottle.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QThread>

#include <chrono>
#include <cmath>
#include <limits>

namespace {
// Differences of wrapping 32-bit counters, without signed overflow.
qint32 Minus(qint32 a, qint32 b)
{
    return qint32(quint32(a) - quint32(b));
}

quint32 SteadyTick()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return quint32(clock.elapsed());
}

bool FitsInt(double v)
{
    return std::isfinite(v) && v > double(std::numeric_limits<int>::min()) && v < double(std::numeric_limits<int>::max());
}
}  // namespace

TSMThrottle::TSMThrottle(TTickSource tick, TPauser pause)
    : m_tick(tick ? std::move(tick) : TTickSource(SteadyTick)),
      m_pause(pause ? std::move(pause) : TPauser([this](int ms, bool plainSleep) {
          if (plainSleep)
              QThread::msleep(ulong(ms));
          else
              WakeableSleep(ms);
      }))
{
}

void TSMThrottle::Reset()
{
    m_callCount = 0;
    m_samplePeriod = 1;
    m_sampleStartTick = 0;
    m_sampleStartBytes = 0;
    m_lastLimit = 0;
    m_lastPause = 0;
    m_stepBytes = 0;
    m_lastBytes = 0;
    m_sampleBytes = 5;
    m_sampleMs = 1;
    m_carry = 0.0;
}

int TSMThrottle::Throttle(qint64 bytesSoFar, int limit, bool plainSleep)
{
    const qint32 now = qint32(m_tick());
    const qint32 bytes = qint32(quint32(quint64(bytesSoFar)));
    int result = -1;
    m_stepBytes = Minus(bytes, m_lastBytes);

    if (m_sampleStartBytes != 0 && ++m_callCount >= m_samplePeriod) {
        m_callCount = 0;
        m_sampleBytes = Minus(bytes, m_sampleStartBytes);
        m_sampleMs = Minus(now, m_sampleStartTick);
        if (m_sampleMs == 0)
            m_sampleMs = 1;
        m_sampleStartBytes = bytes;
        m_sampleStartTick = now;
        int pause;
        if (limit != -1 && CalculatePause(bytes, limit, pause)) {
            if (pause >= 0)
                m_pause(pause, plainSleep);
            m_lastPause = pause;
            result = pause;
        }
    }

    m_lastBytes = bytes;
    if (m_samplePeriod == 1) {
        m_sampleStartTick = now;
        m_sampleStartBytes = bytes;
    }
    return result;
}

bool TSMThrottle::CalculatePause(qint32 bytes, int limit, int &pause)
{
    if (limit == m_lastLimit) {
        // Proportional: the pause grows while the measured rate (pauses included) is too high.
        double rate = double(m_sampleBytes) / double(m_sampleMs);
        if (rate == 0)
            rate = 0.001;
        if (m_lastPause == 0)
            m_lastPause = 1;
        const double ratio = (limit / 1000.0) / rate;
        const double v = m_lastPause / ratio + m_carry;
        if (!FitsInt(v))
            return false;
        pause = int(v);
        m_carry = v - pause;
        return true;
    }

    if (limit == 0)
        return false;
    m_lastLimit = limit;
    // The time this sample's bytes should take at the limit decides how long samples are.
    double v = m_sampleBytes * 1000.0 / limit;
    if (!FitsInt(v))
        return false;
    pause = int(v);
    m_samplePeriod = pause < 3 ? 50 : pause < 6 ? 30 : pause < 11 ? 10 : 1;
    if (m_samplePeriod > 1) {
        m_callCount = 0;
        v = m_sampleBytes * 1000.0 / (double(limit) / m_samplePeriod);
        if (!FitsInt(v))
            return false;
        pause = int(v);
        m_sampleStartBytes = Minus(bytes, m_stepBytes);
    }
    if (pause > 10000)
        pause = 5000;
    return true;
}

void TSMThrottle::Wake()
{
    {
        std::lock_guard lock(m_wakeMutex);
        m_woken = true;
    }
    m_wakeCondition.notify_all();
}

void TSMThrottle::WakeableSleep(int ms)
{
    std::unique_lock lock(m_wakeMutex);
    m_wakeCondition.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_woken; });
    m_woken = false;
}
