#include "window/hostpicture.h"

#include "window/pictureshow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>

namespace {

constexpr QSize kThumbnail(160, 120);

QString stateText(const PictureShow::HostState &state, bool roomBlanked)
{
    using State = PictureShow::State;
    switch (state.state) {
    case State::None:
        break;
    case State::Pending:
        return QStringLiteral("Картинка %1 готовится…").arg(state.fileName);
    case State::Shown:
        return roomBlanked ? QStringLiteral("Картинка %1 — на поле, но зал затемнён").arg(state.fileName)
                           : QStringLiteral("Картинка %1 — видна в зале").arg(state.fileName);
    case State::Dismissed:
        return QStringLiteral("Картинка %1 — убрана с поля, в зале номера").arg(state.fileName);
    case State::Failed:
        return QStringLiteral("Картинку не показать: %1").arg(state.problem);
    }
    return {};
}

} // namespace

HostPicture::HostPicture(QWidget *parent)
    : QWidget(parent), m_thumbnail(new QLabel(this)), m_state(new QLabel(this))
{
    setObjectName(QStringLiteral("HostPicture"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    m_thumbnail->setFixedSize(kThumbnail);
    m_thumbnail->setAlignment(Qt::AlignCenter);
    m_state->setTextFormat(Qt::PlainText); // file names are text, never markup
    m_state->setWordWrap(true);
    row->addWidget(m_thumbnail);
    row->addWidget(m_state, 1);
    hide();
}

void HostPicture::refresh(const PictureShow *show, bool roomBlanked)
{
    const PictureShow::HostState state = show ? show->hostState() : PictureShow::HostState{};
    setVisible(state.state != PictureShow::State::None);
    m_state->setText(stateText(state, roomBlanked));
    m_thumbnail->setVisible(!state.image.isNull());
    // Scaled once per picture, not at every beat of the countdown.
    if (state.image.cacheKey() != m_imageKey) {
        m_imageKey = state.image.cacheKey();
        m_thumbnail->setPixmap(state.image.isNull()
                                   ? QPixmap()
                                   : QPixmap::fromImage(state.image.scaled(kThumbnail, Qt::KeepAspectRatio,
                                                                           Qt::SmoothTransformation)));
    }
}
