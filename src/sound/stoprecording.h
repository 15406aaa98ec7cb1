#pragma once

#include <cstdint>
#include <vector>

// The chime heard at "STOP", computed sample by sample so that the recording
// carried in the resources can be made again bit for bit (tools/make_stop_wav).
//
// It is 8-bit sound at 11 025 Hz dressed as 16-bit stereo at 22 050 Hz: both
// channels equal, every sample a multiple of 256, every frame doubled.
namespace stoprecording {

constexpr int sampleRate = 22050;
constexpr int channels = 2;
constexpr int frames = 18286;
constexpr int fileSize = 73200;

// Where the program carries the recording among its resources.
constexpr char resourcePath[] = ":/sounds/stop.wav";

// Interleaved left/right samples, frames * channels of them.
std::vector<int16_t> samples();

// The whole RIFF WAVE file (PCM with a "fact" chunk), fileSize bytes.
std::vector<uint8_t> wavFile();

} // namespace stoprecording
