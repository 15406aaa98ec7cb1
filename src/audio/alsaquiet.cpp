#include "audio/alsaquiet.h"

#include <dlfcn.h>

namespace {

// snd_lib_error_handler_t
using AlsaErrorHandler = void (*)(const char *file, int line, const char *function, int err, const char *fmt,
                                  ...);
using SetAlsaErrorHandler = int (*)(AlsaErrorHandler);

void ignoreAlsaError(const char *, int, const char *, int, const char *, ...)
{
}

} // namespace

void quietAlsa()
{
    // SDL loads libasound itself, with dlopen, when it tries ALSA; loaded
    // here first and never closed, it is the same instance SDL gets, so the
    // handler stays. No link dependency: machines without ALSA skip this.
    static void *const alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!alsa)
        return;
    auto set = reinterpret_cast<SetAlsaErrorHandler>(dlsym(alsa, "snd_lib_error_set_handler"));
    if (set)
        set(&ignoreAlsaError);
}
