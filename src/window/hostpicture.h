#pragma once

#include <QWidget>

class PictureShow;
class QLabel;

// The host view's look at the current question's picture: small, with
// whether the room sees it or why it could not be shown. Hidden for a
// question without a picture.
class HostPicture : public QWidget
{
    Q_OBJECT

public:
    explicit HostPicture(QWidget *parent = nullptr);

    // roomBlanked: the board is blanked, so nothing on it is seen.
    void refresh(const PictureShow *show, bool roomBlanked);

    QLabel *stateLabel() const { return m_state; }

private:
    QLabel *m_thumbnail;
    QLabel *m_state;
    qint64 m_imageKey = 0;
};
