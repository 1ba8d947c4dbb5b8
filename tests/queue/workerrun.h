#pragma once
#include "tthreaditem.h"

#include <QtCore/QObject>
#include <QtTest/QTest>

#include <memory>

// Runs one worker on its own thread the way the thread manager does (blocking hand-overs
// for log-in, result and end, queued events otherwise) and records what reaches this thread.
struct TWorkerRun {
    std::unique_ptr<TThreadItem> Worker = std::make_unique<TThreadItem>();
    QObject Context;
    bool LoggedIn = false;
    bool Done = false;
    TWorkerReport Report;
    QList<qint64> Positions;
    qint64 RemoteSize = -2;
    QList<QByteArray> Folders;
    QList<QPair<QByteArray, qint64>> Files;
    int EventsAfterResult = 0;

    TWorkerRun()
    {
        TThreadItem *w = Worker.get();
        w->TimeOutMs = 5000;
        QObject::connect(w, &TThreadItem::LoggedIn, &Context, [this](qint32) { LoggedIn = true; },
                         Qt::BlockingQueuedConnection);
        QObject::connect(w, &TThreadItem::Result, &Context, [this](const TWorkerReport &r) { Report = r; Done = true; },
                         Qt::BlockingQueuedConnection);
        QObject::connect(w, &TThreadItem::Progress, &Context,
                         [this](qint32, qint64 pos, qint64) { Positions.append(pos); }, Qt::QueuedConnection);
        QObject::connect(w, &TThreadItem::RemoteSizeKnown, &Context, [this](qint32, qint64 s) { RemoteSize = s; },
                         Qt::QueuedConnection);
        QObject::connect(w, &TThreadItem::FolderFound, &Context,
                         [this](qint32, const QByteArray &p) { Folders.append(p); EventsAfterResult += Done; },
                         Qt::QueuedConnection);
        QObject::connect(w, &TThreadItem::FileFound, &Context,
                         [this](qint32, const QByteArray &p, qint64 s) { Files.append({p, s}); EventsAfterResult += Done; },
                         Qt::QueuedConnection);
    }
    ~TWorkerRun()
    {
        Worker->AbortTransfer();
        while (!Worker->wait(QDeadlineTimer(5)))
            QCoreApplication::processEvents();
    }
    // Waits for the thread to end, handling the hand-overs meanwhile.
    bool Wait(int ms = 10000)
    {
        QDeadlineTimer deadline(ms);
        while (!Worker->isFinished() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::processEvents();
        return Worker->isFinished() && Done;
    }
};
