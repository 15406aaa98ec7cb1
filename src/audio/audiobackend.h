#pragma once

#include <QString>

#include <cstdint>

// The few calls the audio device makes to the sound system: start and stop
// it, open a paused output stream, let it play, close it, and ask whether
// it has died. SDL behind it in the program; a fake in tests.
class AudioBackend
{
public:
    // Pulls frames into a stream: called on the stream's own thread.
    using Fill = void (*)(void *userdata, std::uint8_t *stream, int bytes);

    virtual ~AudioBackend();

    // Each can block for seconds on a sound server that hangs.
    virtual bool start(QString &error) = 0;
    virtual void stop() = 0;
    // A stream of the mixer's format and buffer size, paused; 0 on failure.
    virtual std::uint32_t open(Fill fill, void *userdata, QString &error) = 0;
    virtual void close(std::uint32_t stream) = 0;

    // Quick, any thread.
    virtual void pause(std::uint32_t stream, bool paused) = 0;
    // Whether the stream has died (its sound server went away).
    virtual bool stopped(std::uint32_t stream) = 0;
};

// SDL 2 audio.
class SdlBackend final : public AudioBackend
{
public:
    bool start(QString &error) override;
    void stop() override;
    std::uint32_t open(Fill fill, void *userdata, QString &error) override;
    void close(std::uint32_t stream) override;
    void pause(std::uint32_t stream, bool paused) override;
    bool stopped(std::uint32_t stream) override;
};
