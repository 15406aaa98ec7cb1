#pragma once

#include "check/roundcheck.h"

#include <QStringList>

#include <vector>

// The evening-before look at a round's pictures: each question's and
// answer's picture with its size, read exactly as the window will, and the
// files in the folder that no question will ever show.
namespace check {

struct PictureReport
{
    QStringList lines; // the listing, empty when the round has no picture folder
    std::vector<Warning> warnings;
};

PictureReport checkPictures(const QString &roundName);

} // namespace check
