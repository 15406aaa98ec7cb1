// Pictures and the pick: how long after the click the first beep is asked
// for, with and without pictures, how long until the picture is painted, and
// how much memory a round of 24 phone photos keeps. On the offscreen
// platform, in the folder tools/make-bench-pictures.sh fills:
//   kvizor_bench_pictures DIR [WIDTHxHEIGHT]   (the window full screen at that size)
// Prints medians and worst runs in ms and resident memory in MB.

#include "design/designtable.h"
#include "layout/picturecache.h"
#include "layout/picturedecode.h"
#include "sound/soundinterface.h"
#include "window/form1.h"
#include "window/optionbutton.h"
#include "window/pictureshow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Notes when the first beep of a pick is asked for.
class TimedSound final : public SoundInterface
{
public:
    void beep() override
    {
        if (beepAt < 0)
            beepAt = clock.nsecsElapsed();
    }
    Done activateStopSound() override { return {}; }
    QElapsedTimer clock;
    qint64 beepAt = -1;
};

// Notes when the picture is painted.
class PaintWatch final : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && paintedAt < 0)
            paintedAt = clock->nsecsElapsed();
        return false;
    }
    const QElapsedTimer *clock = nullptr;
    qint64 paintedAt = -1;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double worst(const std::vector<double> &v)
{
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

long statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').first().toLong();
    }
    return -1;
}

struct Pick
{
    double beepMs;
    double paintMs; // -1: not painted within two seconds
};

Pick pick(Form1 &form, TimedSound &sound, PaintWatch &watch, int number)
{
    sound.clock.start();
    sound.beepAt = -1;
    watch.paintedAt = -1;
    form.numberButton(number)->click();
    const double beep = sound.beepAt / 1e6;
    while (watch.paintedAt < 0 && sound.clock.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return {beep, watch.paintedAt < 0 ? -1.0 : watch.paintedAt / 1e6};
}

void report(const char *what, const std::vector<double> &ms)
{
    std::printf("%-52s median %7.2f ms, worst %7.2f ms (%zu picks)\n", what, median(ms), worst(ms),
                ms.size());
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2 || !QDir::setCurrent(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "usage: kvizor_bench_pictures DIR [WIDTHxHEIGHT]\n");
        return 64;
    }
    QFile::remove(QStringLiteral("8.txt"));
    QFile::remove(QStringLiteral("8o.txt"));
    QFile::copy(QStringLiteral("7.txt"), QStringLiteral("8.txt")); // the same round, without pictures
    QFile::copy(QStringLiteral("7o.txt"), QStringLiteral("8o.txt"));

    TimedSound sound;
    Form1 form(&sound);
    form.Form_Load();
    form.show();
    if (argc > 2) {
        const QList<QByteArray> size = QByteArray(argv[2]).split('x');
        const QSize screen(size.value(0).toInt(), size.value(1).toInt());
        form.resize(screen);
        const double scale = design::fittingScale(screen);
        const QSize client = design::clientSize(scale);
        form.layOut(scale,
                    QPoint((screen.width() - client.width()) / 2, (screen.height() - client.height()) / 2));
    }
    PaintWatch watch;
    watch.clock = &sound.clock;
    form.pictures()->installEventFilter(&watch);
    const long rssStart = statusKb("VmRSS:");

    // Without pictures: the yardstick for the first beep.
    std::vector<double> plainBeep;
    form.Text1->setText(QStringLiteral("8"));
    for (int number = 1; number <= 12; ++number)
        plainBeep.push_back(pick(form, sound, watch, number).beepMs);

    // One photo decoded at the board's size, on this thread.
    std::vector<double> decode;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer t;
        t.start();
        pictures::decodePicture(QStringLiteral("7/1.jpg"), form.pictures()->size());
        decode.push_back(t.nsecsElapsed() / 1e6);
    }

    // A pick at once after the round loads, of a picture at the back of the
    // queue: it is decoded next, after the one in hand.
    form.Text1->setText(QStringLiteral("7"));
    const Pick cold = pick(form, sound, watch, 6);
    form.pictures()->cache()->waitForDone();
    QCoreApplication::processEvents();

    // Picks once the round's pictures are ready, and each answer's picture.
    std::vector<double> beep, paint, answer;
    for (int number = 1; number <= 12; ++number) {
        if (number == 6)
            continue;
        const Pick p = pick(form, sound, watch, number);
        beep.push_back(p.beepMs);
        paint.push_back(p.paintMs);
        for (int beat = 2; beat <= 5; ++beat)
            form.Timer1_Timer();
        watch.paintedAt = -1;
        sound.clock.start();
        form.Command3->click();
        while (watch.paintedAt < 0 && sound.clock.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        answer.push_back(watch.paintedAt / 1e6);
        form.Command1->click();
    }
    const QSize box = form.pictures()->cache()->box();

    std::printf("window %dx%d, pictures decoded at %dx%d\n", form.width(), form.height(), box.width(),
                box.height());
    report("one 24 MP photo decoded at that size:", decode);
    report("click -> first beep, round without pictures:", plainBeep);
    report("click -> first beep, 24-photo round:", beep);
    std::printf("%-52s beep %.2f ms, picture painted %.1f ms\n",
                "pick of number 6 at once after the load:", cold.beepMs, cold.paintMs);
    report("click -> picture painted (decoded ahead):", paint);
    report("ОТВЕТ -> answer picture painted:", answer);
    const long rss = statusKb("VmRSS:");
    const long peak = statusKb("VmHWM:");
    std::printf("resident: %.1f MB before the rounds, %.1f MB with the 24 pictures, peak %.1f MB "
                "(goal: under 300 MB)\n",
                rssStart / 1024.0, rss / 1024.0, peak / 1024.0);
    // The goals: a picture decoded ahead is on the screen within 150 ms, the
    // first beep comes as without pictures, and the memory stays under 300 MB.
    const bool ok = worst(paint) < 150 && peak < 300 * 1024 && median(beep) < median(plainBeep) + 5;
    return ok ? 0 : 1;
}
