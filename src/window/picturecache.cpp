#include "window/picturecache.h"

#include "window/picturedecode.h"

#include <QMetaObject>

PictureCache::PictureCache(QObject *parent) : QObject(parent)
{
    // One picture at a time: the board's own thread keeps the other core.
    m_pool.setMaxThreadCount(1);
    m_pool.setExpiryTimeout(5000);
}

PictureCache::~PictureCache()
{
    ++*m_generation;
    m_pool.clear();
    m_pool.waitForDone();
}

void PictureCache::load(const pictures::Listing &listing, const QSize &box)
{
    ++*m_generation;
    m_pool.clear();
    m_box = box;
    for (int i = 0; i < pictures::kSlots; ++i) {
        const pictures::Picture &picture = listing.places[size_t(i)];
        m_slots[size_t(i)] = Slot{picture.fileName, picture.path, picture.problem, {}, {}, {}};
    }
    startAll();
}

void PictureCache::setBox(const QSize &box)
{
    if (box == m_box)
        return;
    ++*m_generation;
    m_pool.clear();
    m_box = box;
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
        start(key.index(), 1);
}

void PictureCache::startAll()
{
    for (int i = 0; i < pictures::kSlots; ++i) {
        Slot &s = m_slots[size_t(i)];
        s.claimed = std::make_shared<std::atomic_bool>(false);
        if (pending(pictures::Key::fromIndex(i)))
            start(i, 0);
    }
}

void PictureCache::start(int index, int priority)
{
    const Slot &s = m_slots[size_t(index)];
    const int generation = *m_generation;
    // Everything the task needs is copied: it may outlive the round.
    m_pool.start(
        [this, generation, index, path = s.path, box = m_box, claimed = s.claimed, current = m_generation] {
            if (*current != generation || claimed->exchange(true))
                return;
            const pictures::Decoded result = pictures::decodePicture(path, box);
            if (*current != generation)
                return;
            QMetaObject::invokeMethod(
                this, [=] { finish(generation, index, box, result.image, result.error); },
                Qt::QueuedConnection);
        },
        priority);
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
    emit decoded(pictures::Key::fromIndex(index));
}
