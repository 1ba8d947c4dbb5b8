#pragma once
#include "soundevents.h"

#include <QtCore/QString>
#include <QtCore/QStringList>

// Plays event sounds in the background. Playing never waits: while a sound is still
// playing, a new one is not started and the call answers false.
class TSoundPlayer {
public:
    virtual ~TSoundPlayer() = default;
    // One of the five system sounds (0 default .. 4 question).
    virtual bool PlaySystem(qint32 system) = 0;
    virtual bool PlayFile(const QString &fileName) = 0;
};

// The sound of one event row; false when the row plays nothing or playing did not start.
bool PlaySoundEvent(TSoundPlayer &player, const TSoundEvent &row);

// Plays nothing and remembers every request ("system:1", "file:/a.wav"), for tests.
class TRecordingSoundPlayer : public TSoundPlayer {
public:
    bool PlaySystem(qint32 system) override
    {
        Played << QStringLiteral("system:%1").arg(system);
        return true;
    }
    bool PlayFile(const QString &fileName) override
    {
        Played << QStringLiteral("file:") + fileName;
        return true;
    }
    QStringList Played;
};
