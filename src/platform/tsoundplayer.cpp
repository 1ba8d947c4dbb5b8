#include "tsoundplayer.h"

bool PlaySoundEvent(TSoundPlayer &player, const TSoundEvent &row)
{
    switch (row.Type) {
    case 1:
        return player.PlaySystem(row.System >= 0 && row.System <= 4 ? row.System : 0);
    case 2:
        return !row.Filename.isEmpty() && player.PlayFile(row.Filename);
    default:
        return false;
    }
}
