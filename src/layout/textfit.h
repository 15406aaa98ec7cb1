#pragma once

#include "design/designtable.h"

#include <QString>

// How much of a text a designed label shows at the designed size (scale 1):
// the label's own font and rectangle, wrapped at word boundaries as a word-
// wrapping QLabel wraps it, and cut where the label or the client area ends,
// or at both sides where one word is wider than the label.
// Needs a QGuiApplication for the fonts.

struct Fit
{
    bool fits = true;
    int shownChars = 0; // characters on the lines that show in full
    int totalChars = 0;
};

Fit fitLabel(const design::Control &label, const QString &text);

// The part of the label inside the client area: lines below its bottom edge
// are not seen, however tall the label is.
QRect visibleLabelRect(const design::Control &label);
