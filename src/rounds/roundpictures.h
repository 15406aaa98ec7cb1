#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

// Pictures beside a round: a folder named as the round holds `3.jpg` for
// question 3 and `3o.jpg` for answer 3 (PNG, JPEG, WebP, GIF or BMP, the
// extension in any case). Only the folder's own entries are looked at, so a
// picture never comes from anywhere else.
namespace pictures {

constexpr int kCount = 12;

enum class Side { Question, Answer };

// One question's or answer's place: index 0 ... 23 (questions, then answers).
struct Key
{
    int number = 0; // 1 ... 12
    Side side = Side::Question;

    int index() const { return (side == Side::Answer ? kCount : 0) + number - 1; }
    static Key fromIndex(int index);
    bool operator==(const Key &other) const { return number == other.number && side == other.side; }
};
constexpr int kSlots = 2 * kCount;

// Which question or answer a file name is the picture of, if any.
std::optional<Key> matchFileName(const QString &fileName);

// What pictures share with the round's other numbered files (its clips):
// the name "3.<ext>" is question 3's and "3o.<ext>" answer 3's, for one of
// extensions (lower case; the name's may be in any case).
std::optional<Key> matchNumberedName(const QString &fileName, const QStringList &extensions);
// Why a file of the folder that matches no name is there for nothing (the
// host's words): a Cyrillic «З» or «О» is named as the likely slip.
QString strayReason(const QString &fileName, const QStringList &extensions);
// The host's message when path is a symbolic link leading out of the folder
// whose canonical path is canonicalFolder; empty otherwise.
QString linkOutsideProblem(const QString &path, const QString &canonicalFolder);
// A folder with more entries than this is not a round's folder.
constexpr int kMaxFolderEntries = 4096;

// The picture folder of a round ("туры/финал" looks in "туры/финал/"); empty
// when the name cannot have one (empty, or ending in a slash).
QString folderOf(const QString &roundName);

struct Picture
{
    QString fileName; // as it is in the folder; empty: no picture
    QString path;     // folder + "/" + fileName
    QString problem;  // the host's message when it must not be shown
};

// A file in the folder that is no question's or answer's picture.
struct Stray
{
    QString fileName;
    QString why;
};

struct Listing
{
    QString folder; // empty: the round has no picture folder
    std::array<Picture, kSlots> places;
    std::vector<Stray> strays;

    const Picture &at(Key key) const { return places[size_t(key.index())]; }
    bool any() const;
};

// Reads the round's folder once. A folder that is missing, unreadable or not
// a folder gives an empty listing. Entries that are symbolic links must
// stay inside the folder.
Listing findPictures(const QString &roundName);

} // namespace pictures
