#pragma once

#include "rounds/roundpictures.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QThreadPool>

#include <array>
#include <atomic>
#include <memory>

// The current round's pictures, decoded ahead on a thread of their own at
// the size they are shown: a pick finds its picture ready. Loading another
// round or changing the size drops the work not yet started.
class PictureCache : public QObject
{
    Q_OBJECT

public:
    explicit PictureCache(QObject *parent = nullptr);
    ~PictureCache() override;

    // Forgets the pictures held and starts on listing's, questions first.
    void load(const pictures::Listing &listing, const QSize &box);
    // Decodes every picture again to fit box (the old ones are kept meanwhile).
    // The pictures of a round together hold at most a fixed budget: with
    // many pictures on a large screen they are decoded somewhat smaller.
    void setBox(const QSize &box);
    // The picture is wanted now: it is decoded next.
    void hurry(pictures::Key key);

    struct Slot
    {
        QString fileName; // empty: no picture
        QString path;
        QString error; // why it cannot be shown
        QImage image;  // null until decoded
        QSize decodedFor;
        std::shared_ptr<std::atomic_bool> claimed; // taken by a decoding task
    };
    const Slot &slot(pictures::Key key) const { return m_slots[size_t(key.index())]; }
    bool pending(pictures::Key key) const;
    QSize box() const { return m_box; }

    // Waits for the decoding in flight (tests and benchmarks).
    void waitForDone()
    {
        m_pool.waitForDone();
        m_urgent.waitForDone();
    }

signals:
    void decoded(pictures::Key key);

private:
    void startAll();
    void start(int index, bool urgent);
    void finish(int generation, int index, const QSize &box, const QImage &image, const QString &error);

    QThreadPool m_pool;
    QThreadPool m_urgent;
    std::array<Slot, pictures::kSlots> m_slots;
    QSize m_box;
    int m_count = 0; // pictures in the round
    std::shared_ptr<std::atomic_int> m_generation = std::make_shared<std::atomic_int>(0);
};
