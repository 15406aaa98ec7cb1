#include "design/designtable.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace design {

namespace {

constexpr Font kSans24{"MS Sans Serif", 24, false};
constexpr Font kSans24Bold{"MS Sans Serif", 24, true};
constexpr Font kSans18Bold{"MS Sans Serif", 18, true};
constexpr Font kSmallBold{"MS Sans Serif", 8.25, true};
constexpr Font kScore{"Arial Black", 48, false};
constexpr Font kNumber{"Arial Black", 72, false};
constexpr Font kStandard{};

constexpr auto kLeft = Qt::AlignLeft | Qt::AlignTop;
constexpr auto kCentred = Qt::AlignHCenter | Qt::AlignTop;
constexpr auto kCentredButton = Qt::AlignCenter;
const std::optional<Rgb> kStd;

// clang-format off
const std::vector<Control> kControls = {
    // name        kind                 caption      left   top    width  height font         text          face          align           shown  tab  index
    {"Option1",  Kind::NumberButton, "1",          0,     0,  2295, 2025, kNumber,   0xC000C0,     0xFFC0FF,     kCentredButton, true,  0,   0},
    {"Option2",  Kind::NumberButton, "2",       2280,     0,  2295, 2025, kNumber,   0x0000C0,     0xC0C0FF,     kCentredButton, true,  1,   1},
    {"Option3",  Kind::NumberButton, "3",       4560,     0,  2295, 2025, kNumber,   0x00C000,     0xC0FFC0,     kCentredButton, true,  3,   2},
    {"Option4",  Kind::NumberButton, "4",       6840,     0,  2295, 2025, kNumber,   0x008080,     0xC0FFFF,     kCentredButton, true,  4,   3},
    {"Option5",  Kind::NumberButton, "5",          0,  2040,  2295, 2025, kNumber,   0x808000,     0xFFFFC0,     kCentredButton, true,  6,   1},
    {"Option6",  Kind::NumberButton, "6",       2280,  2040,  2295, 2025, kNumber,   0x804000,     0xFFC080,     kCentredButton, true,  9,   4},
    {"Option7",  Kind::NumberButton, "7",       4560,  2040,  2295, 2025, kNumber,   0xC00000,     0xFF8080,     kCentredButton, true,  8,   3},
    {"Option8",  Kind::NumberButton, "8",       6840,  2040,  2295, 2025, kNumber,   0xFFFF00,     0xC0C0C0,     kCentredButton, true,  7,   2},
    {"Option9",  Kind::NumberButton, "9",          0,  4080,  2295, 2025, kNumber,   0x008000,     0x80FF80,     kCentredButton, true, 10,   5},
    {"Option10", Kind::NumberButton, "10",      2280,  4080,  2295, 2025, kNumber,   0xFF8000,     0xFFFF80,     kCentredButton, true, 11,   6},
    {"Option11", Kind::NumberButton, "11",      4560,  4080,  2295, 2025, kNumber,   0x800080,     0xFF80FF,     kCentredButton, true, 12,   7},
    {"Option12", Kind::NumberButton, "12",      6840,  4080,  2295, 2025, kNumber,   0x000080,     0x8080FF,     kCentredButton, true, 13,   8},
    {"Option20", Kind::OptionButton, "Option2",11400,     0,   255,  255, kStandard, kStd,         kStd,         kLeft,          true,  2,   0},
    {"Text1",    Kind::TextBox,      "",       11040,   360,   855,  735, kSans24,   kStd,         kStd,         kLeft,          true, 19,  -1},
    {"Label4",   Kind::Label,        "ТУР",     9720,   480,   975,  495, kSans24,   kStd,         kStd,         kLeft,          true, 18,  -1},
    {"Command1", Kind::PushButton,   "КОМАНДА 1",9720,  2160,  2055,  615, kSmallBold, kStd,        kStd,         kCentredButton, true, 14,  -1},
    {"Label2",   Kind::Label,        "0",       9960,  2880,  1695, 1095, kScore,    kStd,         kStd,         kCentred,       true, 16,  -1},
    {"Command2", Kind::PushButton,   "КОМАНДА 2",9840,  4560,  2055,  615, kSmallBold, kStd,        kStd,         kCentredButton, true, 15,  -1},
    {"Label3",   Kind::Label,        "0",       9960,  5280,  1815, 1095, kScore,    kStd,         kStd,         kCentred,       true, 17,  -1},
    {"Label6",   Kind::Label,        "ВРЕМЯ",  10080,  6720,  1575,  375, kSans18Bold, kStd,       kStd,         kCentred,       true, 21,  -1},
    {"Label5",   Kind::Label,        "",       10200,  7200,  1335, 1455, kSans24Bold, 0xFF0000,   kStd,         kCentred,       true, 20,  -1},
    {"Command3", Kind::PushButton,   "ОТВЕТ",  10320,  8760,  1095,  375, kSmallBold, kStd,        0xFF8080,     kCentredButton, false, 23, -1},
    {"OLE1",     Kind::Container,    "",       10440,  9120,   975,  375, kStandard, kStd,         kStd,         kLeft,          true, 24,  -1},
    {"Label1",   Kind::Label,        "",         360,  6360,  9015, 2415, {"Arial", 27.75, false}, 0x000080, kStd, kCentred,     true,  5,  -1},
    {"Label7",   Kind::Label,        "",         360,  9960, 11775, 1695, {"Arial", 36, false},    0x008000, kStd, kCentred,     false, 22, -1},
};

const Control kLoadError =
    {"LoadError", Kind::Label,      "",         9720,  1140,  2535,  990, {nullptr, 8.25, true}, 0xC00000, kStd, kLeft,       true, -1, -1};
const Control kSoundNotice =
    {"SoundNotice", Kind::Label,    "нет звука", 9720,    60,  1320,  300, {nullptr, 8.25, false}, 0x808080, kStd, Qt::AlignRight | Qt::AlignVCenter, false, -1, -1};
// Where "нет звука" is, widened to the left into the gap after number 4 for
// the longer text; with both notices the two share the corner, one above
// the other, right-aligned as one.
const Control kKeepNotice =
    {"KeepNotice", Kind::Label,     "не сохраняется", 9135, 60, 1905, 300, {nullptr, 8.25, false}, 0x808080, kStd, Qt::AlignRight | Qt::AlignVCenter, false, -1, -1};
const Control kSoundNoticeAbove =
    {"SoundNotice", Kind::Label,    "нет звука", 9135,     0,  1905,  240, {nullptr, 8.25, false}, 0x808080, kStd, Qt::AlignRight | Qt::AlignVCenter, false, -1, -1};
const Control kKeepNoticeBelow =
    {"KeepNotice", Kind::Label,     "не сохраняется", 9135, 240, 1905, 240, {nullptr, 8.25, false}, 0x808080, kStd, Qt::AlignRight | Qt::AlignVCenter, false, -1, -1};
// The same free space as the load error: it is offered only before the
// round name is first edited, and only an edit of the round name brings a
// load error.
const Control kResumeNotice =
    {"ResumeNotice", Kind::Label,   "",         9720,  1140,  2535,  990, {nullptr, 8.25, false}, 0x000080, kStd, kLeft, false, -1, -1};
// clang-format on

} // namespace

const std::vector<Control> &controls()
{
    return kControls;
}

const Control &control(const char *name)
{
    for (const Control &c : kControls) {
        if (std::strcmp(c.name, name) == 0)
            return c;
    }
    throw std::out_of_range(name);
}

const std::vector<const Control *> &numberButtons()
{
    static const std::vector<const Control *> buttons = [] {
        std::vector<const Control *> list;
        for (const Control &c : kControls) {
            if (c.kind == Kind::NumberButton)
                list.push_back(&c);
        }
        return list;
    }();
    return buttons;
}

const Control &loadErrorLabel()
{
    return kLoadError;
}

const Control &soundNoticeLabel()
{
    return kSoundNotice;
}

const Control &resumeNoticeLabel()
{
    return kResumeNotice;
}

const Control &keepNoticeLabel()
{
    return kKeepNotice;
}

const Control &soundNoticeWithKeep()
{
    return kSoundNoticeAbove;
}

const Control &keepNoticeWithSound()
{
    return kKeepNoticeBelow;
}

int toPixels(int twips, double scale)
{
    if (scale == 1.0)
        return twips / kTwipsPerPixel;
    return int(std::lround(twips * scale / kTwipsPerPixel));
}

QRect pixelRect(const Control &c, double scale)
{
    const int left = toPixels(c.left, scale);
    const int top = toPixels(c.top, scale);
    return {left, top, toPixels(c.left + c.width, scale) - left, toPixels(c.top + c.height, scale) - top};
}

QSize clientSize(double scale)
{
    return {toPixels(kClientWidth, scale), toPixels(kClientHeight, scale)};
}

double pointSize(const Font &f, double scale)
{
    return f.pointSize * scale;
}

double fittingScale(const QSize &available)
{
    const QSize designed = clientSize();
    if (available.width() <= 0 || available.height() <= 0)
        return 1.0;
    return std::min(double(available.width()) / designed.width(),
                    double(available.height()) / designed.height());
}

} // namespace design
