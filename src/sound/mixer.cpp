#include "sound/mixer.h"

#include <algorithm>

std::uint64_t Mixer::play(Sound sound, std::uint64_t startFrame)
{
    if (!sound)
        return 0;
    const std::size_t end = sound->size() - sound->size() % channels;
    if (end == 0)
        return 0;

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
    slot->fadeLeft = 0;
    return slot->serial;
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
            mixVoice(voice, std::size_t(wait) * channels, samples);
        }

        for (std::size_t i = 0; i < samples; ++i)
            out[i] = static_cast<int16_t>(std::clamp<int32_t>(m_sum[i], INT16_MIN, INT16_MAX));
        out += samples;
        frames -= n;
        m_frame += std::uint64_t(n);
    }
}

void Mixer::mixVoice(Voice &voice, std::size_t skip, std::size_t samples)
{
    const int16_t *data = voice.sound->data() + voice.position;
    std::size_t take = std::min(samples - skip, voice.end - voice.position);
    if (voice.fadeLeft == 0) {
        for (std::size_t i = 0; i < take; ++i)
            m_sum[skip + i] += data[i];
        voice.position += take;
        return;
    }
    take = std::min(take, std::size_t(voice.fadeLeft) * channels);
    for (std::size_t i = 0; i < take; ++i) {
        const int left = voice.fadeLeft - int(i / channels);
        m_sum[skip + i] += int32_t(std::int64_t(data[i]) * left / voice.fadeFrames);
    }
    voice.fadeLeft -= int(take / channels);
    voice.position = voice.fadeLeft == 0 ? voice.end : voice.position + take;
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

void Mixer::fadeOutAll(int fadeFrames)
{
    for (Voice &voice : m_voices) {
        if (voice.position >= voice.end)
            continue;
        if (voice.position == 0) { // not started yet
            voice.position = voice.end;
            continue;
        }
        if (voice.fadeLeft == 0 || voice.fadeLeft > fadeFrames) {
            voice.fadeLeft = std::max(1, fadeFrames);
            voice.fadeFrames = voice.fadeLeft;
        }
    }
}

void Mixer::delayWaiting(std::uint64_t frames)
{
    for (Voice &voice : m_voices) {
        if (voice.position == 0 && voice.end > 0)
            voice.start += frames;
    }
}

void Mixer::drop(std::uint64_t id)
{
    for (Voice &voice : m_voices) {
        if (id != 0 && voice.serial == id && voice.position == 0)
            voice.position = voice.end;
    }
}

void Mixer::move(std::uint64_t id, std::uint64_t startFrame)
{
    for (Voice &voice : m_voices) {
        if (id != 0 && voice.serial == id && voice.position == 0)
            voice.start = startFrame;
    }
}
