#include "window/pictureshow.h"

#include "design/designtable.h"
#include "layout/picturecache.h"

#include <QMouseEvent>
#include <QPainter>

PictureShow::PictureShow(QWidget *board) : QWidget(board), m_cache(new PictureCache(this))
{
    setObjectName(QStringLiteral("PictureShow"));
    setAutoFillBackground(true); // the window's face colour around the picture
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    hide();
    layOut(1.0, {});
    connect(m_cache, &PictureCache::decoded, this, [this](pictures::Key key) {
        if (key == m_key)
            refresh();
    });
}

void PictureShow::layOut(double scale, QPoint origin)
{
    QRect area;
    for (const design::Control *number : design::numberButtons())
        area |= design::pixelRect(*number, scale);
    setGeometry(area.translated(origin));
    if (m_hasPictures)
        m_cache->setBox(decodeBox());
    update();
}

QSize PictureShow::decodeBox() const
{
    return size() * devicePixelRatioF();
}

void PictureShow::roundLoaded(const QString &roundName)
{
    const pictures::Listing listing = pictures::findPictures(roundName);
    m_hasPictures = listing.any();
    // A round without pictures costs nothing more than the folder lookup.
    if (m_hasPictures || !m_cache->box().isEmpty())
        m_cache->load(listing, m_hasPictures ? decodeBox() : QSize());
    questionEnded();
}

void PictureShow::questionPicked(int number)
{
    show({number, pictures::Side::Question});
}

void PictureShow::answerRevealed()
{
    const pictures::Key answer{m_key.number, pictures::Side::Answer};
    if (m_key.number != 0 && !m_cache->slot(answer).fileName.isEmpty())
        show(answer);
}

void PictureShow::questionEnded()
{
    show({});
}

void PictureShow::show(pictures::Key key)
{
    m_key = key;
    m_dismissed = false;
    if (key.number != 0)
        m_cache->hurry(key);
    refresh();
}

void PictureShow::refresh()
{
    // Another picture in the same place must be drawn anew too.
    const bool visible = hostState().state == State::Shown;
    setVisible(visible);
    if (visible)
        update();
    emit changed();
}

PictureShow::HostState PictureShow::hostState() const
{
    HostState state;
    if (m_key.number == 0 || !m_hasPictures)
        return state;
    const PictureCache::Slot &slot = m_cache->slot(m_key);
    if (slot.fileName.isEmpty())
        return state;
    state.fileName = slot.fileName;
    state.image = slot.image;
    state.problem = slot.error;
    if (!slot.error.isEmpty())
        state.state = State::Failed;
    else if (slot.image.isNull())
        state.state = State::Pending;
    else
        state.state = m_dismissed ? State::Dismissed : State::Shown;
    return state;
}

void PictureShow::paintEvent(QPaintEvent *)
{
    if (m_key.number == 0)
        return;
    const QImage &image = m_cache->slot(m_key).image;
    if (image.isNull())
        return;
    // Decoded at this size, it is drawn pixel for pixel; while a new size is
    // being decoded, the old picture is scaled smoothly.
    QSize fitted = (QSizeF(image.size()) / devicePixelRatioF()).toSize();
    if (fitted.width() > width() || fitted.height() > height() ||
        (fitted.width() < width() && fitted.height() < height()))
        fitted = fitted.scaled(size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, image);
}

void PictureShow::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dismissed = true;
    refresh();
}
