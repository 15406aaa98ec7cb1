#include "audio/alsaquiet.h"
#include "audio/audiobackend.h"
#include "sound/audioformat.h"

#include <SDL.h>

AudioBackend::~AudioBackend() = default;

bool SdlBackend::start(QString &error)
{
    quietAlsa();
    if (SDL_Init(SDL_INIT_AUDIO) != 0) {
        error = QString::fromUtf8(SDL_GetError());
        return false;
    }
    return true;
}

void SdlBackend::stop()
{
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

std::uint32_t SdlBackend::open(Fill fill, void *userdata, QString &error)
{
    SDL_AudioSpec wanted;
    SDL_zero(wanted);
    wanted.freq = audioformat::sampleRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = audioformat::channels;
    wanted.samples = audioformat::bufferFrames;
    wanted.callback = fill;
    wanted.userdata = userdata;
    // No changes allowed: SDL converts for the hardware, and the mixer can
    // rely on the format it was written for.
    const std::uint32_t id = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    if (id == 0)
        error = QString::fromUtf8(SDL_GetError());
    return id;
}

void SdlBackend::close(std::uint32_t stream)
{
    SDL_CloseAudioDevice(stream);
}

void SdlBackend::pause(std::uint32_t stream, bool paused)
{
    SDL_PauseAudioDevice(stream, paused ? 1 : 0);
}

bool SdlBackend::stopped(std::uint32_t stream)
{
    return SDL_GetAudioDeviceStatus(stream) == SDL_AUDIO_STOPPED;
}
