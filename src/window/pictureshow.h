#pragma once

#include "rounds/roundpictures.h"

#include <QImage>
#include <QWidget>

class PictureCache;

// A question's or answer's picture over the board: the twelve numbers'
// rectangle, the picture fitted inside with its proportions kept, centred
// on the window's face colour. Hidden whenever there is nothing to show, so
// a round without pictures plays on the numbers alone. A click on it puts
// the numbers back.
class PictureShow : public QWidget
{
    Q_OBJECT

public:
    // Made a child of the board window, over its numbers.
    explicit PictureShow(QWidget *board);

    // The board's steps.
    void roundLoaded(const QString &roundName);
    void questionPicked(int number);
    void answerRevealed();
    void questionEnded();
    // Follows the board's layout (scale 1 is the designed size).
    void layOut(double scale, QPoint origin);

    // What the host is told about the current question's picture.
    enum class State { None, Pending, Shown, Dismissed, Failed };
    struct HostState
    {
        State state = State::None;
        QString fileName;
        QImage image;    // as decoded, when there is one
        QString problem; // with Failed: which picture and why
    };
    HostState hostState() const;

    PictureCache *cache() const { return m_cache; }

signals:
    // Whenever what the host is told may have changed.
    void changed();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void show(pictures::Key key);
    void refresh();
    QSize decodeBox() const;

    PictureCache *m_cache;
    bool m_hasPictures = false;
    pictures::Key m_key; // number 0: no question
    bool m_dismissed = false;
};
