#pragma once

#include "base/outcome.h"

#include <QString>

#include <cstdint>
#include <vector>

// Reading one clip file into what the mixer plays. Safe on any thread: a
// pure function of the file and its arguments, with no state of its own.
namespace clips {

// What one clip may cost. The defaults suit a round of 24 clips on a laptop;
// the caller sets the memory budget from what it has left.
struct Limits
{
    // Files larger than this are not read at all (a 2 GB file is refused
    // by its size).
    qint64 maxFileBytes = 256LL * 1024 * 1024;
    // Longer clips are refused by what the file says before anything is
    // decoded, and again if decoding finds more than it said.
    double maxSeconds = 10 * 60;
    // The most memory the decoding may hold at once: the clip's samples plus
    // its float working copy (see decodedBytes()).
    qint64 maxDecodedBytes = 256LL * 1024 * 1024;
};

struct Clip
{
    // Interleaved signed 16-bit stereo frames (left, right) at sampleRate,
    // as the mixer plays them, with gain already applied: the clip plays at
    // about kTargetLoudness as it is. A volume the host sets multiplies on
    // top of that.
    std::vector<int16_t> samples;
    int sampleRate = 0;
    qint64 frames = 0;
    double seconds() const { return sampleRate > 0 ? double(frames) / sampleRate : 0.0; }

    // As measured at sampleRate before the gain: integrated loudness (EBU
    // R128, LUFS; -inf for a clip too quiet or too short to measure) and the
    // sample peak (dBFS, -inf for silence).
    double loudness = 0;
    double peak = 0;
    // The linear gain applied to the samples: 1 for a silent clip.
    double gain = 1;

    // What the file holds, for the host: "MP3, 44100 Гц, 2 канала".
    QString source;
};

// Reads the clip at path (MP3, Ogg Vorbis, Opus, FLAC or WAV), mixed to
// stereo and resampled to targetRate, measures its loudness and brings it to
// about kTargetLoudness. The file is opened the way round files are: regular
// files only, never waiting on a FIFO. A failure comes back as the host's
// message, naming the file and the cause.
Outcome<Clip> decodeClip(const QString &path, int targetRate, const Limits &limits = {});

// The memory decodeClip() holds at its peak for a clip of frames stereo
// frames: 16-bit samples plus float working samples.
constexpr qint64 decodedBytes(qint64 frames)
{
    return frames * 2 * qint64(sizeof(int16_t) + sizeof(float));
}

} // namespace clips
