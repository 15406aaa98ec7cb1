#pragma once

#include <QRect>
#include <QSize>
#include <Qt>

#include <cstdint>
#include <optional>
#include <vector>

// The design values of Form1's controls, written once, in the design's own
// units: geometry in twips (1/1440 inch) from the top-left corner of the
// client area, font sizes in points, colours as 0xRRGGBB. Pure values: the
// window builds and lays out its controls from them at any scale.
namespace design {

// At 96 dpi, 15 twips make one pixel.
constexpr int kTwipsPerPixel = 15;

using Rgb = std::uint32_t;

enum class Kind { NumberButton, OptionButton, TextBox, Label, PushButton, Container };

struct Font
{
    const char *family = nullptr; // nullptr: the toolkit's standard face
    double pointSize = 0;         // 0: the toolkit's standard size
    bool bold = false;
};

struct Control
{
    const char *name;
    Kind kind;
    const char *caption;
    int left, top, width, height; // twips
    Font font;
    std::optional<Rgb> textColour; // empty: the desktop's standard colour
    std::optional<Rgb> faceColour;
    Qt::Alignment alignment;
    bool visible;
    int tabIndex; // -1: outside the designed tab order
    int index;    // member index in its control array, -1 when not an array
};

// All 25 visible controls of Form1 (Timer1 is below).
const std::vector<Control> &controls();
const Control &control(const char *name);

// The twelve number buttons, in number order (Option1 ... Option12).
const std::vector<const Control *> &numberButtons();

// Not a designed control: where a round that failed to load says why, in the
// free space between the round name and "КОМАНДА 1".
const Control &loadErrorLabel();

// Not a designed control either: "нет звука" while the last try found no
// sound, small and grey at the top right, above "ТУР" and left of the round name, where the
// audience does not look.
const Control &soundNoticeLabel();

// Nor this: the offer of a game interrupted by a close or a crash, in the
// load error's place, before the round name is first edited.
const Control &resumeNoticeLabel();

// Nor this: "не сохраняется" while the game is not being kept on disk, in
// the sound notice's quiet place.
const Control &keepNoticeLabel();
// Both notices at once: the two share that corner, one above the other.
const Control &soundNoticeWithKeep();
const Control &keepNoticeWithSound();

constexpr int kTimer1Interval = 1000; // ms; Timer1 starts disabled

// Window
constexpr const char *kTitle = "Квизория";
constexpr int kClientWidth = 12285, kClientHeight = 11010;
constexpr int kClientLeft = 4485, kClientTop = 1395;

// --- From design units to pixels -------------------------------------------
// The one place where twips and points become pixels. scale 1 is the designed
// size at 96 dpi; a larger showing multiplies every rectangle and every font.

// Whole twips at scale 1; at other scales both edges are rounded, so controls
// that touch or overlap by a pixel in the design still do.
int toPixels(int twips, double scale = 1.0);
QRect pixelRect(const Control &c, double scale = 1.0);
QSize clientSize(double scale = 1.0);
double pointSize(const Font &f, double scale = 1.0);

// The largest scale at which the whole client area fits into available.
double fittingScale(const QSize &available);

} // namespace design
