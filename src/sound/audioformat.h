#pragma once

// The format the sound output plays and the mixer sums: interleaved signed
// 16-bit stereo frames. The stop recording keeps its own format (see
// stoprecording.h) and is converted to this one when it is loaded.
namespace audioformat {

constexpr int sampleRate = 22050;
constexpr int channels = 2;
// Frames the output asks for in one fill; smaller underran on a busy
// two-core machine.
constexpr int bufferFrames = 512;

} // namespace audioformat
