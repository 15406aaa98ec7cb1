#pragma once

#include <QLabel>

// The red message of a round that did not load. It has a small corner of
// the window, and a round name may be a long path with no space in it: the
// text wraps between words or, where a word is too long, inside it, and
// steps down in size until all of it fits. text() stays the message as it is.
class MessageLabel : public QLabel
{
    Q_OBJECT

public:
    using QLabel::QLabel;

    // The point size the text is drawn at now (it is font()'s when it fits).
    double shownPointSize() const;

    static constexpr double smallestPointSize = 5.0;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QFont fittingFont() const;
    double textHeight(const QFont &font) const;
};
