#pragma once

// Bringing clips to one loudness, so a quiet recording and a loud one sound
// alike in the hall.
namespace clips {

// Integrated loudness (EBU R128) clips are brought to, in LUFS.
constexpr double kTargetLoudness = -16.0;
// The sample peak no gain may push a clip over, in dBFS: headroom for the
// peaks between samples that a sound card's filter makes.
constexpr double kPeakCeiling = -1.0;
// A recording quieter than this needs no more than this boost, in dB: beyond
// it the boost mostly raises noise.
constexpr double kMaxBoost = 20.0;

// The linear gain for a clip of the given integrated loudness (LUFS) and
// sample peak (dBFS). A clip that could not be measured (-inf, NaN: silence,
// or shorter than one 400 ms block) keeps gain 1.
double normalisingGain(double loudness, double peak);

} // namespace clips
