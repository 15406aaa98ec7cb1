#include "sound/mixer.h"

#include <algorithm>

void Mixer::play(Sound sound, std::uint64_t startFrame)
{
    if (!sound)
        return;
    const std::size_t end = sound->size() - sound->size() % channels;
    if (end == 0)
        return;

    Voice *slot = &m_voices.front();
    for (Voice &voice : m_voices) {
        if (voice.position >= voice.end) {
            slot = &voice;
            break;
        }
        if (voice.serial < slot->serial)
            slot = &voice;
    }
    // Assigning may free the previous buffer; that happens here, on the
    // caller's thread, never in mix().
    slot->sound = std::move(sound);
    slot->position = 0;
    slot->end = end;
    slot->start = startFrame;
    slot->serial = ++m_serial;
}

void Mixer::mix(int16_t *out, int frames)
{
    while (frames > 0) {
        const int n = std::min(frames, chunkFrames);
        const std::size_t samples = static_cast<std::size_t>(n) * channels;
        std::fill_n(m_sum.begin(), samples, 0);

        for (Voice &voice : m_voices) {
            if (voice.position >= voice.end)
                continue;
            const std::uint64_t wait = voice.start > m_frame ? voice.start - m_frame : 0;
            if (wait >= std::uint64_t(n))
                continue;
            const std::size_t skip = std::size_t(wait) * channels;
            const int16_t *data = voice.sound->data() + voice.position;
            const std::size_t take = std::min(samples - skip, voice.end - voice.position);
            for (std::size_t i = 0; i < take; ++i)
                m_sum[skip + i] += data[i];
            voice.position += take;
        }

        for (std::size_t i = 0; i < samples; ++i)
            out[i] = static_cast<int16_t>(std::clamp<int32_t>(m_sum[i], INT16_MIN, INT16_MAX));
        out += samples;
        frames -= n;
        m_frame += std::uint64_t(n);
    }
}

int Mixer::activeVoices() const
{
    return static_cast<int>(
        std::count_if(m_voices.begin(), m_voices.end(), [](const Voice &v) { return v.position < v.end; }));
}

void Mixer::stopAll()
{
    for (Voice &voice : m_voices)
        voice.position = voice.end;
}
