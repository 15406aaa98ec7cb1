#pragma once

// The format the sound output plays and the mixer sums: interleaved signed
// 16-bit stereo frames. The stop recording keeps its own format (see
// stoprecording.h) and is converted to this one when it is loaded.
namespace audioformat {

// The rate desktop sound servers and their sinks run at, so the server has
// nothing to resample.
constexpr int sampleRate = 48000;
constexpr int channels = 2;
// Frames the output asks for in one fill (10.7 ms): every sound is placed one
// fill ahead, so this is most of the click-to-sound latency. 256 underran on
// a busy two-core machine.
constexpr int bufferFrames = 512;
// Silence ahead of the first sound of a fresh stream (5 ms): without it the
// server sometimes drops the first few milliseconds of the stream.
constexpr int leadInFrames = 240;

} // namespace audioformat
