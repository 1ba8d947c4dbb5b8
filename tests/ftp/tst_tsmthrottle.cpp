#include "tsmthrottle.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QThread>
#include <QtTest/QTest>

#include <vector>

namespace {
// A limiter on a fake clock: every pause it asks for moves the clock instead of sleeping.
struct TFakeClock {
    quint32 now = 0;
    std::vector<int> pauses;

    TSMThrottle::TTickSource Tick()
    {
        return [this] { return now; };
    }
    TSMThrottle::TPauser Pauser()
    {
        return [this](int ms, bool) {
            pauses.push_back(ms);
            now += quint32(ms);
        };
    }
};
}  // namespace

class TestTSMThrottle : public QObject {
    Q_OBJECT

private slots:
    void noLimitNeverPauses()
    {
        TFakeClock clock;
        TSMThrottle t(clock.Tick(), clock.Pauser());
        for (qint64 b = 0; b < 100 * 4096; b += 4096)
            QCOMPARE(t.Throttle(b, -1, false), -1);
        QVERIFY(clock.pauses.empty());
    }

    // 10 KB/s with 4 KiB blocks on a fast network: 400 ms a block, then proportional.
    void slowLimitPausesEveryBlock()
    {
        TFakeClock clock;
        TSMThrottle t(clock.Tick(), clock.Pauser());
        QCOMPARE(t.Throttle(4096, 10240, false), -1);  // the first sample starts here
        clock.now += 1;
        QCOMPARE(t.Throttle(8192, 10240, false), 400);
        QCOMPARE(t.SamplePeriod(), 1);
        // The sample that held the 400 ms pause ran at exactly the limit: the pause stays.
        QCOMPARE(t.Throttle(12288, 10240, false), 400);
        // A network that itself took 400 ms halves the rate, and so the pause.
        clock.now += 400;
        QCOMPARE(t.Throttle(16384, 10240, false), 200);
    }

    void fastLimitMeasuresOverFiftyBlocks()
    {
        TFakeClock clock;
        TSMThrottle t(clock.Tick(), clock.Pauser());
        t.Throttle(1460, 1048576, false);
        QCOMPARE(t.Throttle(2920, 1048576, false), 69);
        QCOMPARE(t.SamplePeriod(), 50);
        QCOMPARE(t.CallCount(), 0);
        // The next pause comes after a whole sample of 50 blocks.
        qint64 bytes = 2920;
        for (int i = 0; i < 49; ++i)
            QCOMPARE(t.Throttle(bytes += 1460, 1048576, false), -1);
        QVERIFY(t.Throttle(bytes += 1460, 1048576, false) >= 0);
    }

    void firstPauseIsCutTo5000()
    {
        TFakeClock clock;
        TSMThrottle t(clock.Tick(), clock.Pauser());
        t.Throttle(4096, 100, false);
        QCOMPARE(t.Throttle(8192, 100, false), 5000);
    }

    void instantSampleCountsAsOneMillisecond()
    {
        TFakeClock clock;
        TSMThrottle t(clock.Tick(), clock.Pauser());
        t.Throttle(1000, 2000, false);
        t.Throttle(2000, 2000, false);
        QCOMPARE(t.SampleMs(), 1);
    }

    void limitChangeRecalculates()
    {
        TFakeClock clock;
        TSMThrottle t(clock.Tick(), clock.Pauser());
        t.Throttle(4096, 10240, false);
        QCOMPARE(t.Throttle(8192, 10240, false), 400);
        QCOMPARE(t.Throttle(12288, 20480, false), 200);
    }

    void bytesPastTwoGigabytesKeepTheirDifferences()
    {
        TFakeClock clock;
        TSMThrottle t(clock.Tick(), clock.Pauser());
        const qint64 base = (qint64(1) << 31) - 2048;  // the 32-bit count wraps mid-sample
        t.Throttle(base, 10240, false);
        clock.now = 0xFFFFFFF0u;  // and so does the tick count
        QCOMPARE(t.Throttle(base + 4096, 10240, false), 400);
        QCOMPARE(t.SampleBytes(), 4096);
    }

    void zeroOrNegativeLimitNeverCrashes()
    {
        TFakeClock clock;
        TSMThrottle t(clock.Tick(), clock.Pauser());
        for (int limit : {0, -5, 1, 2147483647})
            for (qint64 b = 1; b < 10; ++b)
                t.Throttle(b * 4096, limit, false);
        for (int ms : clock.pauses)
            QVERIFY(ms >= 0 && ms <= 5000);
    }

    void wakeEndsARealPause()
    {
        TSMThrottle t;
        t.Reset();
        QThread *waker = QThread::create([&t] {
            QThread::msleep(50);
            t.Wake();
        });
        waker->start();
        QElapsedTimer elapsed;
        elapsed.start();
        t.Throttle(4096, 100, false);
        QCOMPARE(t.Throttle(8192, 100, false), 5000);  // a 5 s pause, cut short
        QVERIFY(elapsed.elapsed() < 4000);
        waker->wait();
        delete waker;
    }
};

QTEST_GUILESS_MAIN(TestTSMThrottle)
#include "tst_tsmthrottle.moc"
