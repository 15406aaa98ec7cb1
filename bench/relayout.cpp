// Entering full screen: laying the whole design out again at a projector's
// scale, and painting it once, on the offscreen platform.
//   kvizor_bench_relayout [runs]   prints medians and the worst run, in ms

#include "design/designtable.h"
#include "sound/soundinterface.h"
#include "window/form1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPixmap>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 50;

    SilentSound silent;
    Form1 form(&silent);
    form.Form_Load();
    form.Label1->setText(QStringLiteral("Какая река самая длинная в Европе и в какое море она впадает?"));
    form.resize(1920, 1080);
    form.show();
    const double scale = design::fittingScale(QSize(1920, 1080));
    const QSize client = design::clientSize(scale);
    const QPoint origin((1920 - client.width()) / 2, (1080 - client.height()) / 2);

    std::vector<double> layout, withPaint;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        form.layOut(scale, origin);
        const double laid = t.nsecsElapsed() / 1e6;
        const QPixmap painted = form.grab();
        withPaint.push_back(t.nsecsElapsed() / 1e6);
        layout.push_back(laid);
        form.layOut(1.0); // back, so that every run lays out afresh
        form.grab();
    }
    std::printf("relayout to 1920x1080 (scale %.3f), %d runs: median %.2f ms, worst %.2f ms\n", scale, runs,
                median(layout), *std::max_element(layout.begin(), layout.end()));
    std::printf("relayout and one full paint: median %.2f ms, worst %.2f ms (goal: under 16 ms)\n",
                median(withPaint), *std::max_element(withPaint.begin(), withPaint.end()));
    return median(withPaint) < 16.0 ? 0 : 1;
}
