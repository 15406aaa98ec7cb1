#include "clips/loudness.h"

#include <algorithm>
#include <cmath>

namespace clips {

double normalisingGain(double loudness, double peak)
{
    if (!std::isfinite(loudness))
        return 1.0;
    double gainDb = std::min(kTargetLoudness - loudness, kMaxBoost);
    if (std::isfinite(peak))
        gainDb = std::min(gainDb, kPeakCeiling - peak);
    return std::pow(10.0, gainDb / 20.0);
}

} // namespace clips
