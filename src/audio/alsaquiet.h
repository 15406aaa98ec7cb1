#pragma once

// Stops the ALSA library from writing its own messages to stderr. SDL tries
// ALSA whenever no sound server answers, and on a machine without a sound
// card every such try prints lines the host cannot act on; SDL still reports
// each failure through SDL_GetError(). Does nothing without libasound.
void quietAlsa();
