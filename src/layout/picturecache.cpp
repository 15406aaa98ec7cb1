#include "layout/picturecache.h"

#include "layout/picturedecode.h"

#include <QMetaObject>

#include <cmath>
#include <malloc.h>

namespace {

// What the decoded pictures of one round may hold together: 24 pictures fit
// the board of a 2560 x 1440 screen at full size; on a larger screen they
// are decoded smaller and drawn scaled, rather than grow without bound.
constexpr qint64 kBudgetBytes = 128LL * 1024 * 1024;

QSize withinBudget(const QSize &box, int pictureCount)
{
    const qint64 bytes = qint64(box.width()) * box.height() * 4 * std::max(pictureCount, 1);
    if (bytes <= kBudgetBytes)
        return box;
    const double shrink = std::sqrt(double(kBudgetBytes) / double(bytes));
    return QSize(int(box.width() * shrink), int(box.height() * shrink));
}

} // namespace

PictureCache::PictureCache(QObject *parent) : QObject(parent)
{
    // One picture at a time ahead: the board's own thread keeps the other
    // core. A picture wanted now does not wait for the one in hand.
    m_pool.setMaxThreadCount(1);
    m_urgent.setMaxThreadCount(1);
}

PictureCache::~PictureCache()
{
    ++*m_generation;
    m_pool.clear();
    m_urgent.clear();
    m_pool.waitForDone();
    m_urgent.waitForDone();
}

void PictureCache::load(const pictures::Listing &listing, const QSize &box)
{
    ++*m_generation;
    m_pool.clear();
    m_count = 0;
    for (int i = 0; i < pictures::kSlots; ++i) {
        const pictures::Picture &picture = listing.places[size_t(i)];
        m_slots[size_t(i)] = Slot{picture.fileName, picture.path, picture.problem, {}, {}, {}};
        m_count += !picture.fileName.isEmpty();
    }
    m_box = withinBudget(box, m_count);
    startAll();
}

void PictureCache::setBox(const QSize &box)
{
    if (withinBudget(box, m_count) == m_box)
        return;
    ++*m_generation;
    m_pool.clear();
    m_box = withinBudget(box, m_count);
    startAll();
}

bool PictureCache::pending(pictures::Key key) const
{
    const Slot &s = slot(key);
    return !s.fileName.isEmpty() && s.error.isEmpty() && s.decodedFor != m_box;
}

void PictureCache::hurry(pictures::Key key)
{
    if (pending(key))
        start(key.index(), true);
}

void PictureCache::startAll()
{
    for (int i = 0; i < pictures::kSlots; ++i) {
        Slot &s = m_slots[size_t(i)];
        s.claimed = std::make_shared<std::atomic_bool>(false);
        if (pending(pictures::Key::fromIndex(i)))
            start(i, false);
    }
}

void PictureCache::start(int index, bool urgent)
{
    const Slot &s = m_slots[size_t(index)];
    const int generation = *m_generation;
    // Everything the task needs is copied: it may outlive the round.
    (urgent ? m_urgent : m_pool)
        .start([this, generation, index, path = s.path, box = m_box, claimed = s.claimed,
                current = m_generation] {
            if (*current != generation || claimed->exchange(true))
                return;
            const pictures::Decoded result = pictures::decodePicture(path, box);
            if (*current != generation)
                return;
            QMetaObject::invokeMethod(
                this, [=] { finish(generation, index, box, result.image, result.error); },
                Qt::QueuedConnection);
        });
}

void PictureCache::finish(int generation, int index, const QSize &box, const QImage &image,
                          const QString &error)
{
    if (generation != *m_generation)
        return;
    Slot &s = m_slots[size_t(index)];
    s.error = error;
    s.image = image;
    s.decodedFor = box;
    if (std::none_of(m_slots.begin(), m_slots.end(), [this](const Slot &other) {
            return !other.fileName.isEmpty() && other.error.isEmpty() && other.decodedFor != m_box;
        })) {
        // The whole round is decoded: give back what the decoding borrowed
        // (glibc keeps freed blocks of a worker thread's arena otherwise).
        malloc_trim(0);
    }
    emit decoded(pictures::Key::fromIndex(index));
}
