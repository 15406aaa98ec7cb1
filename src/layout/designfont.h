#pragma once

#include "design/designtable.h"

#include <QFont>

// The font of a design entry at a scale. The design's faces are Windows
// faces; where they are missing, faces that cover Cyrillic with close
// metrics stand in, at the designed size and weight.
QFont designFont(const design::Font &f, double scale = 1.0);
