#pragma once

#include <QRgb>
#include <Qt>

#include <optional>
#include <vector>

// The design values of Form1's controls, written once. Geometry is in twips
// (1/1440 inch); at 96 dpi 15 twips make one pixel.
namespace design {

constexpr int kTwipsPerPixel = 15;
constexpr int toPixels(int twips) { return twips / kTwipsPerPixel; }

enum class Kind { NumberButton, OptionButton, TextBox, Label, PushButton, Container };

struct Font
{
    const char *family = nullptr;  // nullptr: the toolkit's standard font
    double pointSize = 0;
    bool bold = false;
};

struct Control
{
    const char *name;
    Kind kind;
    const char *caption;
    int left, top, width, height;         // twips
    Font font;
    std::optional<QRgb> textColour;       // empty: the desktop's standard colour
    std::optional<QRgb> faceColour;
    Qt::Alignment alignment;
    bool visible;
    int tabIndex;
    int index;                            // member index in its control array, -1 when not an array
};

// All 25 visible controls of Form1 (Timer1 is below).
const std::vector<Control> &controls();
const Control &control(const char *name);

// The twelve number buttons, in number order (Option1 ... Option12).
const std::vector<const Control *> &numberButtons();

constexpr int kTimer1Interval = 1000;  // ms; Timer1 starts disabled

// Window
constexpr const char *kTitle = "Квизория";
constexpr int kClientWidth = 12285, kClientHeight = 11010;
constexpr int kClientLeft = 4485, kClientTop = 1395;

} // namespace design
