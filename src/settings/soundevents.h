#pragma once
#include "tsettingsstore.h"

#include <QtCore/QString>

#include <array>

// What plays on each of the program's six sound events.
struct TSoundEvent {
    QString Name;      // the event's name as shown; not stored
    qint32 Type = 0;   // 0 no sound, 1 system sound, 2 wave file
    qint32 System = 0; // 0 default, 1 asterisk, 2 exclamation, 3 hand, 4 question
    QString Filename;

    bool operator==(const TSoundEvent &) const = default;
};

enum TSoundIndex {
    seProgramStart = 0,
    seConnected,
    seDisconnected,
    seError,
    seTransferDone,
    seTransferError,
    seCount
};

using TSoundEvents = std::array<TSoundEvent, seCount>;

// Each row named after its event, playing nothing.
TSoundEvents DefaultSoundEvents();

// The system sounds by number; any number outside 0..4 counts as 0.
QString SystemSoundAlias(qint32 system);     // "SystemAsterisk"
QString SystemSoundName(qint32 system);      // "系统.星号", as the options window lists it
QString SystemSoundListItem(qint32 system);  // "Asterisk", as the sound dialog lists it

extern const QString kSoundKey;  // "Options/Sound/"; row n lives in kSoundKey + n

// Every row is reset to its default, then takes the values stored for it.
void LoadSounds(TSettingsStore &store, TSoundEvents &rows);
// A row that plays nothing and names no file loses its key.
void SaveSounds(TSettingsStore &store, const TSoundEvents &rows);
