#pragma once

#include "rounds/roundpictures.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

// Sound clips beside a round, in the same folder as its pictures: `7/3.mp3`
// is question 3's clip and `7/3o.mp3` answer 3's (MP3, Ogg Vorbis, Opus,
// FLAC or WAV, the extension in any case). Named and numbered as pictures
// are, so the places are pictures::Key.
namespace clips {

using pictures::Key;
using pictures::Side;

// The extensions of clips, lower case, in the order preferred when one
// place has two clips (lossless first).
const QStringList &extensions();

// Which question or answer a file name is the clip of, if any.
std::optional<Key> matchFileName(const QString &fileName);

struct Clip
{
    QString fileName; // as it is in the folder; empty: no clip
    QString path;     // folder + "/" + fileName
    QString problem;  // the host's message when it must not be played
};

// A file of the folder that is a sound by its extension but no question's or
// answer's clip ("13.mp3", "3x.ogg", a second clip for one place).
struct Stray
{
    QString fileName;
    QString why;
};

struct Listing
{
    QString folder; // empty: the round has no such folder
    std::array<Clip, pictures::kSlots> places;
    std::vector<Stray> strays;

    const Clip &at(Key key) const { return places[size_t(key.index())]; }
    bool any() const;
};

// Reads the round's folder once; files with other extensions (the pictures)
// are left alone. A folder that is missing, unreadable, not a folder or
// holding too many entries gives an empty listing. Symbolic links must stay
// inside the folder.
Listing findClips(const QString &roundName);

} // namespace clips
