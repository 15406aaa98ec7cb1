// Loading a round whenever the round name changes.

#include "rounds/roundfile.h"
#include "window/form1.h"
#include "window/optionbutton.h"
#include "window/pictureshow.h"

#include <QLabel>
#include <QLineEdit>

namespace {

// The order in which a load brings the number buttons back.
constexpr int kShowOrder[12] = {1, 10, 11, 12, 2, 3, 4, 5, 6, 7, 8, 9};

} // namespace

void Form1::Text1_Change()
{
    // Both files are read whole before anything changes: a missing or short
    // file leaves the board exactly as it was and says why.
    rounds::RoundRead read = rounds::readRound(Text1->text());
    if (!read.round) {
        LoadError->setText(read.error);
        LoadError->setToolTip(read.error);
        return;
    }

    for (int k = 1; k <= rounds::kFieldCount; ++k) {
        m_questions[k] = std::move(read.round->questions[k - 1]);
        m_answers[k] = std::move(read.round->answers[k - 1]);
    }
    for (int number : kShowOrder)
        numberButton(number)->setVisible(true);
    Label2->setText(QStringLiteral("0"));
    Label3->setText(QStringLiteral("0"));
    Label1->setText(QString());
    Label7->setText(QString());
    m_givenPoints.clear();
    m_loadedRound = Text1->text();
    m_picked = false;
    m_questionNumber = 0;
    LoadError->clear();
    LoadError->setToolTip(QString());
    m_pictures->roundLoaded(Text1->text());
}
