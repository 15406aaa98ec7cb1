#pragma once

#include "sound/mixer.h"

// Sounds made by computation rather than carried as recordings.
namespace tone {

// The countdown's beat: 120 ms at 880 Hz, peak about -18 dBFS, with
// raised-cosine edges, as stereo frames at sampleRate.
Mixer::Sound beep(int sampleRate);

// A team's buzz, in place of the stop sound when the team pressed first:
// 350 ms, a rasping tone at 440 Hz for team 1 and 294 Hz for team 2, peak
// about -8 dBFS.
Mixer::Sound buzz(int sampleRate, int team);

} // namespace tone
