// What the checker says fits against what the board's own labels need:
// the real Form1's Label1 and Label7, with texts a word longer each time.

#include "design/designtable.h"
#include "layout/textfit.h"
#include "support/fakesound.h"
#include "window/form1.h"

#include <QLabel>
#include <QTest>

using namespace Qt::StringLiterals;

class TestTextFit : public QObject
{
    Q_OBJECT

private slots:
    void agreesWithTheLabel_data();
    void agreesWithTheLabel();
    void answerBelowTheClientAreaIsNotSeen();
    void aWordWiderThanTheLabelIsCutAtTheSides();

private:
    FakeSound m_sound;
};

void TestTextFit::agreesWithTheLabel_data()
{
    QTest::addColumn<QByteArray>("label");
    QTest::addColumn<QString>("words");

    const QString question = u"В каком году впервые прозвучал гимн, который позже стал официальным, и кто из "
                             u"композиторов написал к нему музыку, а кто слова? Назовите также город, где "
                             u"состоялось первое исполнение, и имя дирижёра оркестра"_s;
    QTest::newRow("question") << QByteArray("Label1") << question;
    QTest::newRow("question with line breaks")
        << QByteArray("Label1") << u"Внимание, цитата:\nБыть или не быть\nвот в чём вопрос. "_s + question;
    QTest::newRow("answer") << QByteArray("Label7")
                            << u"Пётр Ильич Чайковский, Первый концерт для фортепиано с оркестром"_s;
}

// Every prefix that ends at a word: the verdict is the label's, and the
// characters said to show are all the label can hold: one word more and it
// needs another line.
void TestTextFit::agreesWithTheLabel()
{
    QFETCH(QByteArray, label);
    QFETCH(QString, words);
    Form1 form(&m_sound);
    const design::Control &control = design::control(label.constData());
    auto *shown = form.findChild<QLabel *>(QString::fromLatin1(label));
    QVERIFY(shown);
    const int visibleHeight = visibleLabelRect(control).height();
    const auto labelFits = [&](const QString &text) {
        shown->setText(text);
        return shown->heightForWidth(shown->width()) <= visibleHeight;
    };

    int fitting = 0;
    int overflowing = 0;
    for (qsizetype end = words.indexOf(u' '); end != -1; end = words.indexOf(u' ', end + 1)) {
        const QString text = words.left(end);
        const Fit fit = fitLabel(control, text);
        QCOMPARE(fit.totalChars, int(text.size()));
        QCOMPARE(fit.fits, labelFits(text));
        if (fit.fits) {
            ++fitting;
            QCOMPARE(fit.shownChars, fit.totalChars);
            continue;
        }
        ++overflowing;
        QVERIFY(fit.shownChars > 0 && fit.shownChars < fit.totalChars);
        QVERIFY2(labelFits(text.left(fit.shownChars)), qPrintable(text));
        const qsizetype nextWord = text.indexOf(u' ', fit.shownChars + 1);
        QVERIFY2(!labelFits(text.left(nextWord == -1 ? text.size() : nextWord)), qPrintable(text));
    }
    QVERIFY(fitting > 0);
    QVERIFY(overflowing > 0);
}

// Label7 reaches past the bottom of the window: two lines fit the label
// but the second is below the client area.
void TestTextFit::answerBelowTheClientAreaIsNotSeen()
{
    const design::Control &control = design::control("Label7");
    QVERIFY(design::pixelRect(control).bottom() >= design::clientSize().height());
    Form1 form(&m_sound);
    form.Label7->setText(u"Пётр Ильич Чайковский и Николай Андреевич Римский-Корсаков"_s);
    const int needed = form.Label7->heightForWidth(form.Label7->width());
    QVERIFY(needed <= form.Label7->height());
    QVERIFY(needed > visibleLabelRect(control).height());
    QVERIFY(!fitLabel(control, form.Label7->text()).fits);
}

// One line high, yet cut: a word wider than the label stands out past both
// of its edges. What shows whole is the line above it.
void TestTextFit::aWordWiderThanTheLabelIsCutAtTheSides()
{
    const design::Control &control = design::control("Label7");
    const QString word(40, QChar(u'Ш'));
    const Fit alone = fitLabel(control, word);
    QVERIFY(!alone.fits);
    QCOMPARE(alone.shownChars, 0);
    const Fit after = fitLabel(control, u"Ответ: "_s + word);
    QVERIFY(!after.fits);
    QCOMPARE(after.shownChars, 7);
}

QTEST_MAIN(TestTextFit)
#include "tst_textfit.moc"
