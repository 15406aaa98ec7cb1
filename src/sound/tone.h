#pragma once

#include "sound/mixer.h"

// Sounds made by computation rather than carried as recordings.
namespace tone {

// The countdown's beat: 120 ms at 880 Hz, peak about -18 dBFS, with
// raised-cosine edges, as stereo frames at sampleRate.
Mixer::Sound beep(int sampleRate);

} // namespace tone
