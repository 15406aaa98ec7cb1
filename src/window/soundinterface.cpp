#include "window/soundinterface.h"

SoundInterface::~SoundInterface() = default;
