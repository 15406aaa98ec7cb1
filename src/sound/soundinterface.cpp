#include "sound/soundinterface.h"

SoundInterface::~SoundInterface() = default;
