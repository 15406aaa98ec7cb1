#pragma once

#include "sound/audioformat.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Sums the sounds that are playing into one stereo stream.
//
// mix() runs inside the audio callback, so it neither allocates nor frees:
// voices live in a fixed array, and a finished voice keeps its buffer until
// play() reuses the slot on the caller's thread. The mixer has no lock of its
// own; the audio output serialises play() against mix() with the device lock.
class Mixer
{
public:
    // Interleaved signed 16-bit stereo frames (left, right), never changed
    // once handed to the mixer.
    using Sound = std::shared_ptr<const std::vector<int16_t>>;

    static constexpr int channels = audioformat::channels;
    static constexpr int maxVoices = 8;

    // Starts sound from its beginning at stream frame startFrame, or with the
    // next frame mixed if that has already passed. With every voice busy, the
    // sound played longest ago gives way: a late beat matters more than an
    // old one. Returns what drop() takes to take the sound back (0 for a
    // sound that cannot play).
    std::uint64_t play(Sound sound, std::uint64_t startFrame = 0);

    // Writes frames stereo frames to out; silence where nothing plays.
    void mix(int16_t *out, int frames);

    // Frames written by mix() so far: the stream frame the next mix() starts at.
    std::uint64_t framesMixed() const { return m_frame; }

    // Sounds playing or waiting for their start frame.
    int activeVoices() const;
    void stopAll();

    // Ends every sound: one already sounding fades out over fadeFrames (a cut
    // mid-wave would click), one still waiting for its start never starts.
    void fadeOutAll(int fadeFrames);

    // Moves every sound still waiting for its start frame later by frames.
    void delayWaiting(std::uint64_t frames);

    // Takes back the sound play() returned id for, unless it has started.
    void drop(std::uint64_t id);
    // Moves the start of that sound, unless it has started.
    void move(std::uint64_t id, std::uint64_t startFrame);

private:
    struct Voice
    {
        Sound sound;
        std::size_t position = 0; // in samples, always a whole frame
        std::size_t end = 0;      // samples that make up whole frames
        std::uint64_t start = 0;  // stream frame of the first sample
        std::uint64_t serial = 0; // order of play() calls
        int fadeLeft = 0;         // frames until a fading sound ends; 0 while not fading
        int fadeFrames = 0;
    };

    void mixVoice(Voice &voice, std::size_t skip, std::size_t samples);

    static constexpr int chunkFrames = 512;

    std::array<Voice, maxVoices> m_voices;
    std::array<int32_t, chunkFrames * channels> m_sum{};
    std::uint64_t m_serial = 0;
    std::uint64_t m_frame = 0;
};
