#pragma once
#include <QtCore/QtGlobal>

#include <condition_variable>
#include <functional>
#include <mutex>

// Holds a transfer at or below a byte rate by pausing the transferring thread. One step
// per progress report; the rate is measured over a sample of 1, 10, 30 or 50 steps.
// All counters are 32-bit and wrap, so byte counts past 2 GiB keep their differences right.
class TSMThrottle {
public:
    using TTickSource = std::function<quint32()>;         // milliseconds, wrapping
    using TPauser = std::function<void(int ms, bool plainSleep)>;

    // Without arguments: the steady clock, and pauses that Wake() can cut short.
    explicit TSMThrottle(TTickSource tick = {}, TPauser pause = {});

    void Reset();
    // limit in bytes per second, -1 for none. Returns the pause made in ms, or -1 for none.
    int Throttle(qint64 bytesSoFar, int limit, bool plainSleep);
    // From any thread: ends the current pause (or the next one) at once.
    void Wake();

    int CallCount() const { return m_callCount; }
    int SamplePeriod() const { return m_samplePeriod; }
    int LastPause() const { return m_lastPause; }
    int SampleMs() const { return m_sampleMs; }
    int SampleBytes() const { return m_sampleBytes; }

private:
    // Returns false when the figures allow no pause (a limit of 0, an infinite ratio).
    bool CalculatePause(qint32 bytes, int limit, int &pause);
    void WakeableSleep(int ms);

    TTickSource m_tick;
    TPauser m_pause;

    qint32 m_callCount = 0;
    qint32 m_samplePeriod = 1;
    qint32 m_sampleStartTick = 0;
    qint32 m_sampleStartBytes = 0;
    qint32 m_lastLimit = 0;
    qint32 m_lastPause = 0;
    qint32 m_stepBytes = 0;
    qint32 m_lastBytes = 0;
    qint32 m_sampleBytes = 5;
    qint32 m_sampleMs = 1;
    double m_carry = 0.0;

    std::mutex m_wakeMutex;
    std::condition_variable m_wakeCondition;
    bool m_woken = false;
};
