#include "tcanberraplayer.h"

#include <QtCore/QFile>

#include <canberra.h>

TCanberraPlayer::TCanberraPlayer()
{
    if (ca_context_create(&m_context) != CA_SUCCESS)
        m_context = nullptr;
}

TCanberraPlayer::~TCanberraPlayer()
{
    if (m_context)
        ca_context_destroy(m_context);
}

const char *TCanberraPlayer::EventId(qint32 system)
{
    switch (system) {
    case 1: return "dialog-information";
    case 2: return "dialog-warning";
    case 3: return "dialog-error";
    case 4: return "dialog-question";
    default: return "bell";
    }
}

bool TCanberraPlayer::PlaySystem(qint32 system)
{
    return Play(CA_PROP_EVENT_ID, EventId(system));
}

bool TCanberraPlayer::PlayFile(const QString &fileName)
{
    return Play(CA_PROP_MEDIA_FILENAME, QFile::encodeName(fileName));
}

bool TCanberraPlayer::Play(const char *property, const QByteArray &value)
{
    if (!m_context || m_playing.exchange(true))
        return false;
    ca_proplist *props = nullptr;
    if (ca_proplist_create(&props) != CA_SUCCESS) {
        m_playing = false;
        return false;
    }
    ca_proplist_sets(props, property, value.constData());
    const int rc = ca_context_play_full(m_context, 1, props, &TCanberraPlayer::Finished, this);
    ca_proplist_destroy(props);
    if (rc != CA_SUCCESS)
        m_playing = false;
    return rc == CA_SUCCESS;
}

// Called on libcanberra's own thread when a sound has ended or failed.
void TCanberraPlayer::Finished(ca_context *, uint32_t, int, void *data)
{
    static_cast<TCanberraPlayer *>(data)->m_playing = false;
}
