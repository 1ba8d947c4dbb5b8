#pragma once
#include "tsoundplayer.h"

#include <atomic>

struct ca_context;

// Event sounds through libcanberra: the system sounds by their freedesktop names, files by
// name. Without a sound device every call answers false.
class TCanberraPlayer : public TSoundPlayer {
public:
    TCanberraPlayer();
    ~TCanberraPlayer() override;

    TCanberraPlayer(const TCanberraPlayer &) = delete;
    TCanberraPlayer &operator=(const TCanberraPlayer &) = delete;

    bool PlaySystem(qint32 system) override;
    bool PlayFile(const QString &fileName) override;

    static const char *EventId(qint32 system);  // "bell", "dialog-information", ...

private:
    bool Play(const char *property, const QByteArray &value);
    static void Finished(ca_context *context, uint32_t id, int code, void *data);

    ca_context *m_context = nullptr;
    std::atomic<bool> m_playing{false};
};
