// How long a round takes to load, in three layers: the field reader alone
// over memory, reading both files from disk, and the whole Text1_Change on an
// offscreen window (not shown, so no painting is counted).
//
// Round shapes: the usual short round ("small"), the same round followed by a
// 1 GiB tail (sparse files), which must cost what the small one costs since
// nothing past the twelfth field is read, and rounds whose twelve fields are
// 1, 4, 16 and 64 KiB each, whose cost should grow with the bytes read.
//
//   kvizor_bench_rounds [--benchmark_filter=...]

#include "rounds/fieldreader.h"
#include "rounds/roundfile.h"
#include "sound/soundinterface.h"
#include "window/form1.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

#include <cstring>
#include <memory>
#include <unistd.h>

namespace {

// Round shapes, by benchmark argument: 0 small, 1 small with a 1 GiB tail,
// 2 small with a 1 MiB tail (whatever a tail costs must not depend on its
// length), otherwise every field is that many bytes.
enum Shape : long long { Small = 0, SmallWithTail = 1, SmallWithShortTail = 2 };

bool hasTail(long long shape)
{
    return shape == SmallWithTail || shape == SmallWithShortTail;
}

const char *shapeLabel(long long shape)
{
    switch (shape) {
    case Small:
        return "small";
    case SmallWithTail:
        return "small + 1 GiB tail";
    case SmallWithShortTail:
        return "small + 1 MiB tail";
    default:
        return nullptr;
    }
}

// Twelve lines of Windows-1251 text: "Вопрос k" / "Ответ k", or, for the big
// shapes, Cyrillic words repeated up to exactly fieldBytes.
QByteArray roundBytes(long long shape, bool answers)
{
    const QByteArray word =
        answers ? QByteArray("\xCE\xF2\xE2\xE5\xF2 ") : QByteArray("\xC2\xEE\xEF\xF0\xEE\xF1 ");
    QByteArray bytes;
    for (int k = 1; k <= 12; ++k) {
        QByteArray field;
        if (shape == Small || hasTail(shape)) {
            field = word + QByteArray::number(k);
        } else {
            while (field.size() < shape)
                field += word;
            field.truncate(qsizetype(shape));
        }
        bytes += field + "\r\n";
    }
    return bytes;
}

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

QString roundOnDisk(long long shape)
{
    const QString base = folder().filePath(QStringLiteral("round-%1").arg(shape));
    for (const bool answers : {false, true}) {
        const QString path = answers ? rounds::answerFileName(base) : rounds::questionFileName(base);
        if (QFile::exists(path))
            continue;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(path));
        file.write(roundBytes(shape, answers));
        file.flush();
        const long long tail = shape == SmallWithTail ? 1LL << 30 : 1LL << 20;
        if (hasTail(shape) && ::ftruncate(file.handle(), tail) != 0)
            qFatal("cannot extend %s", qPrintable(path));
    }
    return base;
}

// Throughput counts the bytes up to the end of the twelfth field, which is
// all the reader has to go through.
void describe(benchmark::State &state, long long shape, long long bytesPerIteration)
{
    state.SetBytesProcessed(state.iterations() * bytesPerIteration);
    if (const char *label = shapeLabel(shape))
        state.SetLabel(label);
    else
        state.SetLabel(std::to_string(shape / 1024) + " KiB fields");
}

void ReadFieldsFromMemory(benchmark::State &state)
{
    const long long shape = state.range(0);
    const QByteArray data = roundBytes(shape, false);
    for (auto _ : state) {
        long long offset = 0;
        const rounds::ReadOutcome outcome = rounds::readFields([&](char *buf, long long max) -> long long {
            // Past the data: an endless tail, for the shape that has one.
            if (offset >= data.size()) {
                if (!hasTail(shape))
                    return 0;
                std::memset(buf, 'x', size_t(max));
                return max;
            }
            const long long n = std::min<long long>(max, data.size() - offset);
            std::memcpy(buf, data.constData() + offset, size_t(n));
            offset += n;
            return n;
        });
        if (outcome.status != rounds::ReadOutcome::Status::Ok)
            state.SkipWithError("the round did not read");
        benchmark::DoNotOptimize(outcome.fields.data());
    }
    describe(state, shape, data.size());
}

void ReadRoundFromDisk(benchmark::State &state)
{
    const long long shape = state.range(0);
    const QString name = roundOnDisk(shape);
    for (auto _ : state) {
        const rounds::RoundRead read = rounds::readRound(name);
        if (!read.value) {
            state.SkipWithError(qPrintable(read.error));
            break;
        }
        benchmark::DoNotOptimize(read.value->answers.data());
    }
    describe(state, shape, roundBytes(shape, false).size() + roundBytes(shape, true).size());
}

void Text1Change(benchmark::State &state)
{
    const long long shape = state.range(0);
    SilentSound sound;
    Form1 form(&sound);
    form.Form_Load();
    // The name is put in place without its signal; each iteration is then
    // exactly one Text1_Change.
    form.Text1->blockSignals(true);
    form.Text1->setText(roundOnDisk(shape));
    form.Text1->blockSignals(false);
    for (auto _ : state) {
        form.Text1_Change();
        if (!form.LoadError->text().isEmpty()) {
            state.SkipWithError(qPrintable(form.LoadError->text()));
            break;
        }
    }
    describe(state, shape, roundBytes(shape, false).size() + roundBytes(shape, true).size());
}

void shapes(benchmark::internal::Benchmark *b)
{
    for (long long shape : {0LL, 2LL, 1LL, 1024LL, 4096LL, 16384LL, 65536LL})
        b->Arg(shape);
}

} // namespace

BENCHMARK(ReadFieldsFromMemory)->Apply(shapes);
BENCHMARK(ReadRoundFromDisk)->Apply(shapes);
BENCHMARK(Text1Change)->Apply(shapes);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
