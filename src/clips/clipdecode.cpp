#include "clips/clipdecode.h"

#include "clips/loudness.h"
#include "rounds/roundfile.h"
#include "rounds/roundmessages.h"

#include <ebur128.h>
#include <samplerate.h>
#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace clips {

namespace {

// Frames read from the file at a time.
constexpr int kChunkFrames = 4096;
// Beyond these a file is no clip a host made.
constexpr int kMaxChannels = 8;
constexpr int kMinRate = 8000;
constexpr int kMaxRate = 384000;

// libsndfile tells an unknown format from a malformed file only through a
// global error, which another thread may be changing: one message for both.
QString notSound(const QString &path)
{
    return QStringLiteral("%1 — не звук или испорченный файл (годятся MP3, Ogg Vorbis, Opus, FLAC и WAV)")
        .arg(path);
}

// A cut file and a damaged one look alike to the decoders (a FLAC decoder
// "loses sync" at the cut).
QString truncated(const QString &path)
{
    return QStringLiteral("%1 — звук оборван или повреждён: целиком его не прочитать").arg(path);
}

QString empty(const QString &path)
{
    return QStringLiteral("%1 — пустой файл, в нём нет звука").arg(path);
}

QString minutesAndSeconds(double seconds)
{
    if (seconds < 60 && seconds != std::floor(seconds))
        return QStringLiteral("%1 с").arg(QString::number(seconds, 'f', 1).replace(u'.', u','));
    const qint64 whole = qint64(std::ceil(seconds));
    if (whole < 60)
        return QStringLiteral("%1 с").arg(whole);
    if (whole % 60 == 0)
        return QStringLiteral("%1 мин").arg(whole / 60);
    return QStringLiteral("%1 мин %2 с").arg(whole / 60).arg(whole % 60);
}

QString tooLong(const QString &path, double seconds, double maxSeconds)
{
    return QStringLiteral("%1 — звук длиннее %2 (в файле %3)")
        .arg(path, minutesAndSeconds(maxSeconds), minutesAndSeconds(seconds));
}

QString tooLongUnknown(const QString &path, double maxSeconds)
{
    return QStringLiteral("%1 — звук длиннее %2").arg(path, minutesAndSeconds(maxSeconds));
}

QString mebibytes(qint64 bytes)
{
    return QString::number((bytes + 1024 * 1024 - 1) / (1024 * 1024));
}

QString tooBigForMemory(const QString &path, qint64 needed, qint64 budget)
{
    return QStringLiteral("%1 — звук не помещается в память: нужно %2 МиБ, можно %3 МиБ")
        .arg(path, mebibytes(needed), mebibytes(budget));
}

QString outOfMemory(const QString &path)
{
    return QStringLiteral("%1 — не хватает памяти, чтобы прочитать звук").arg(path);
}

QString unusualFormat(const QString &path, const SF_INFO &info)
{
    if (info.channels < 1 || info.channels > kMaxChannels)
        return QStringLiteral("%1 — звук в %2 каналах (не больше %3)")
            .arg(path, QString::number(info.channels), QString::number(kMaxChannels));
    if (info.samplerate < kMinRate || info.samplerate > kMaxRate)
        return QStringLiteral("%1 — звук с частотой %2 Гц (годится от %3 до %4 Гц)")
            .arg(path, QString::number(info.samplerate), QString::number(kMinRate),
                 QString::number(kMaxRate));
    return {};
}

QString resampleFailed(const QString &path, const QString &cause)
{
    return QStringLiteral("%1 — звук не переводится на нужную частоту (%2)").arg(path, cause);
}

QString resampleFailed(const QString &path, int error)
{
    return resampleFailed(path, QString::fromUtf8(src_strerror(error)));
}

QString formatName(const SF_INFO &info)
{
    switch (info.format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_MPEG:
        return QStringLiteral("MP3");
    case SF_FORMAT_FLAC:
        return QStringLiteral("FLAC");
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
    case SF_FORMAT_RF64:
        return QStringLiteral("WAV");
    case SF_FORMAT_OGG:
        return (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_OPUS ? QStringLiteral("Opus")
                                                                   : QStringLiteral("Ogg Vorbis");
    default:
        break;
    }
    SF_FORMAT_INFO format{};
    format.format = info.format & SF_FORMAT_TYPEMASK;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &format, sizeof format) == 0 && format.name)
        return QString::fromUtf8(format.name);
    return QStringLiteral("звук");
}

QString describe(const SF_INFO &info)
{
    const QString channels = info.channels == 1   ? QStringLiteral("моно")
                             : info.channels == 2 ? QStringLiteral("стерео")
                                                  : QStringLiteral("%1 каналов").arg(info.channels);
    return QStringLiteral("%1, %2 Гц, %3").arg(formatName(info), QString::number(info.samplerate), channels);
}

// The opened file as libsndfile reads it: through the descriptor opened
// here, with the size it had when opened, so nothing past that is read.
struct VirtualFile
{
    int fd = -1;
    sf_count_t length = 0;
    bool readError = false;

    ~VirtualFile()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

sf_count_t fileLength(void *user)
{
    return static_cast<VirtualFile *>(user)->length;
}

sf_count_t fileSeek(sf_count_t offset, int whence, void *user)
{
    return ::lseek(static_cast<VirtualFile *>(user)->fd, off_t(offset), whence);
}

sf_count_t fileRead(void *buffer, sf_count_t count, void *user)
{
    auto *file = static_cast<VirtualFile *>(user);
    sf_count_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(file->fd, static_cast<char *>(buffer) + done, size_t(count - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            file->readError = true;
        if (got <= 0)
            break;
        done += got;
    }
    return done;
}

sf_count_t fileWrite(const void *, sf_count_t, void *)
{
    return 0;
}

sf_count_t fileTell(void *user)
{
    return ::lseek(static_cast<VirtualFile *>(user)->fd, 0, SEEK_CUR);
}

struct SndfileCloser
{
    void operator()(SNDFILE *file) const { sf_close(file); }
};
struct ResamplerCloser
{
    void operator()(SRC_STATE *state) const { src_delete(state); }
};
struct MeterCloser
{
    void operator()(ebur128_state *state) const { ebur128_destroy(&state); }
};

// The clip's stereo float samples at the target rate, with the loudness
// measured on them as they come.
class Sink
{
public:
    Sink(ebur128_state *meter, qint64 maxFrames) : m_meter(meter), m_maxFrames(maxFrames) {}

    // False once the clip is longer than maxFrames: the rest is not kept.
    bool add(const float *stereo, long frames)
    {
        if (qint64(m_samples.size() / 2) + frames > m_maxFrames)
            return false;
        m_samples.insert(m_samples.end(), stereo, stereo + 2 * frames);
        ebur128_add_frames_float(m_meter, stereo, size_t(frames));
        return true;
    }

    std::vector<float> &samples() { return m_samples; }

private:
    ebur128_state *m_meter;
    qint64 m_maxFrames;
    std::vector<float> m_samples;
};

using Result = Outcome<Clip>;

Result decode(const QString &path, int targetRate, const Limits &limits)
{
    if (targetRate < kMinRate || targetRate > kMaxRate)
        return Result::failure(resampleFailed(path, QStringLiteral("%1 Гц").arg(targetRate)));

    VirtualFile file;
    QString error;
    file.fd = rounds::openRegularFile(path, &error);
    if (file.fd < 0)
        return Result::failure(error);
    struct stat status
    {
    };
    if (::fstat(file.fd, &status) != 0)
        return Result::failure(rounds::message::openFailed(errno, path));
    if (status.st_size > limits.maxFileBytes)
        return Result::failure(rounds::message::fileTooLarge(path, limits.maxFileBytes));
    if (status.st_size == 0)
        return Result::failure(empty(path));
    file.length = sf_count_t(status.st_size);

    SF_VIRTUAL_IO io{fileLength, fileSeek, fileRead, fileWrite, fileTell};
    SF_INFO info{};
    const std::unique_ptr<SNDFILE, SndfileCloser> sound(sf_open_virtual(&io, SFM_READ, &info, &file));
    if (!sound)
        return Result::failure(file.readError ? rounds::message::readFailed(path) : notSound(path));
    if (const QString unusual = unusualFormat(path, info); !unusual.isEmpty())
        return Result::failure(unusual);

    // The length the file claims, refused before anything is decoded. An
    // MP3 without a length in its header says SF_COUNT_MAX, and so does an
    // Ogg file whose last page is missing: the MP3 is decoded with the limits
    // held as it goes, the Ogg file is cut.
    const bool isMpeg = (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG;
    const bool lengthKnown = info.frames > 0 && info.frames < SF_COUNT_MAX;
    if (!lengthKnown && info.frames != 0 && !isMpeg)
        return Result::failure(truncated(path));
    const double ratio = double(targetRate) / info.samplerate;
    if (lengthKnown) {
        const double seconds = double(info.frames) / info.samplerate;
        if (seconds > limits.maxSeconds)
            return Result::failure(tooLong(path, seconds, limits.maxSeconds));
        const qint64 needed = decodedBytes(qint64(std::ceil(info.frames * ratio)) + kChunkFrames);
        if (needed > limits.maxDecodedBytes)
            return Result::failure(tooBigForMemory(path, needed, limits.maxDecodedBytes));
    }
    if (info.frames == 0)
        return Result::failure(empty(path));
    const qint64 framesByLength = qint64(limits.maxSeconds * targetRate) + 1;
    const qint64 framesByMemory = limits.maxDecodedBytes / decodedBytes(1);

    int srcError = 0;
    const std::unique_ptr<SRC_STATE, ResamplerCloser> resampler(src_new(SRC_SINC_FASTEST, 2, &srcError));
    if (!resampler)
        return Result::failure(resampleFailed(path, srcError));
    // The sample peak, not the true peak: at 48 kHz the true peak's four-fold
    // oversampling took a third of a 3-minute clip's decoding time, and the
    // samples played are what must not clip.
    const std::unique_ptr<ebur128_state, MeterCloser> meter(
        ebur128_init(2, unsigned(targetRate), EBUR128_MODE_I | EBUR128_MODE_SAMPLE_PEAK));
    if (!meter)
        return Result::failure(outOfMemory(path));

    Sink sink(meter.get(), std::min(framesByLength, framesByMemory));
    // What the resampler gives may differ from the exact ratio by a few
    // frames; enough room for that keeps the vector from growing twice over.
    if (lengthKnown)
        sink.samples().reserve(size_t(2 * (std::ceil(info.frames * ratio) + kChunkFrames)));
    const auto overLimit = [&] {
        return framesByLength <= framesByMemory
                   ? tooLongUnknown(path, limits.maxSeconds)
                   : tooBigForMemory(path, decodedBytes(framesByMemory + 1), limits.maxDecodedBytes);
    };

    std::vector<float> input(size_t(kChunkFrames * info.channels));
    std::vector<float> stereo(size_t(2 * kChunkFrames));
    const long outCapacity = long(std::ceil(kChunkFrames * ratio)) + 64;
    std::vector<float> output(size_t(2 * outCapacity));
    sf_count_t framesRead = 0;
    bool ended = false;
    while (!ended) {
        const sf_count_t got = sf_readf_float(sound.get(), input.data(), kChunkFrames);
        ended = got <= 0;
        framesRead += std::max<sf_count_t>(got, 0);
        for (sf_count_t k = 0; k < got; ++k) {
            const float *frame = &input[size_t(k * info.channels)];
            // Mono on both sides; of more channels, the first two. A float
            // file may hold NaN or infinity, which would spread through the
            // resampler and the meter.
            const float left = frame[0];
            const float right = frame[info.channels > 1 ? 1 : 0];
            stereo[size_t(2 * k)] = std::isfinite(left) ? left : 0.0f;
            stereo[size_t(2 * k + 1)] = std::isfinite(right) ? right : 0.0f;
        }

        if (info.samplerate == targetRate) {
            if (!sink.add(stereo.data(), long(std::max<sf_count_t>(got, 0))))
                return Result::failure(overLimit());
            continue;
        }
        SRC_DATA data{};
        data.data_in = stereo.data();
        data.input_frames = long(std::max<sf_count_t>(got, 0));
        data.src_ratio = ratio;
        data.end_of_input = ended ? 1 : 0;
        // Until the resampler has taken the whole chunk, and at the end until
        // it has given back what it holds.
        for (;;) {
            data.data_out = output.data();
            data.output_frames = outCapacity;
            if (const int failure = src_process(resampler.get(), &data); failure != 0)
                return Result::failure(resampleFailed(path, failure));
            if (!sink.add(output.data(), data.output_frames_gen))
                return Result::failure(overLimit());
            data.data_in += 2 * data.input_frames_used;
            data.input_frames -= data.input_frames_used;
            const bool stuck = data.input_frames_used == 0 && data.output_frames_gen == 0;
            if (stuck || (data.input_frames == 0 && !ended))
                break;
        }
    }
    if (file.readError)
        return Result::failure(rounds::message::readFailed(path));
    // An MP3's length may be an estimate from its size and bit rate; any
    // other format's is exact.
    const sf_count_t framesExpected = isMpeg ? info.frames - info.frames / 20 : info.frames;
    if (sf_error(sound.get()) != SF_ERR_NO_ERROR || (lengthKnown && framesRead < framesExpected))
        return Result::failure(truncated(path));
    std::vector<float> &samples = sink.samples();
    if (samples.empty())
        return Result::failure(empty(path));

    Clip clip;
    clip.sampleRate = targetRate;
    clip.frames = qint64(samples.size() / 2);
    clip.source = describe(info);
    ebur128_loudness_global(meter.get(), &clip.loudness);
    double peak = 0;
    for (unsigned channel = 0; channel < 2; ++channel) {
        double channelPeak = 0;
        ebur128_sample_peak(meter.get(), channel, &channelPeak);
        peak = std::max(peak, channelPeak);
    }
    clip.peak = peak > 0 ? 20.0 * std::log10(peak) : -HUGE_VAL;
    clip.gain = normalisingGain(clip.loudness, clip.peak);

    const float scale = float(clip.gain * 32767.0);
    clip.samples.resize(samples.size());
    std::transform(samples.begin(), samples.end(), clip.samples.begin(), [scale](float x) {
        return int16_t(std::lrint(std::clamp(x * scale, -32768.0f, 32767.0f)));
    });
    return clip;
}

} // namespace

Outcome<Clip> decodeClip(const QString &path, int targetRate, const Limits &limits)
{
    // The budget is the caller's guess at what is free; on a worker thread an
    // escaping bad_alloc would end the program.
    try {
        return decode(path, targetRate, limits);
    } catch (const std::bad_alloc &) {
        return Result::failure(outOfMemory(path));
    }
}

} // namespace clips
