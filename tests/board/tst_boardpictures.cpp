// Pictures on a real board: a pick shows the question's picture over the
// numbers, «ОТВЕТ» the answer's, the end of the question the numbers again;
// a round without pictures plays on the numbers alone.

#include "design/designtable.h"
#include "layout/picturecache.h"
#include "support/gamewindow.h"
#include "support/testpictures.h"
#include "window/form1.h"
#include "window/hostpicture.h"
#include "window/hostview.h"
#include "window/optionbutton.h"
#include "window/pictureshow.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QColor kQuestionColour(0xE0, 0x20, 0x20);
const QColor kAnswerColour(0x20, 0x40, 0xE0);

// The twelve numbers' rectangle at a scale.
QRect numbersArea(double scale, QPoint origin = {})
{
    QRect area;
    for (const design::Control *number : design::numberButtons())
        area |= design::pixelRect(*number, scale);
    return area.translated(origin);
}

bool near(QColor a, QColor b)
{
    return qAbs(a.red() - b.red()) < 12 && qAbs(a.green() - b.green()) < 12 && qAbs(a.blue() - b.blue()) < 12;
}

} // namespace

class TestBoardPictures : public QObject, protected GameUnderTest
{
    Q_OBJECT

private:
    QTemporaryDir dir;

    PictureShow *show() const { return form->pictures(); }

    // Round 7 with a PNG for question 3 and a JPEG for its answer, and
    // whatever else the test puts into its folder.
    QString writeRound(bool withPictures = true)
    {
        const QString base = dir.filePath(QStringLiteral("7"));
        mustWriteRound(base, numberedLines(kQuestionCp1251), numberedLines(kAnswerCp1251));
        if (withPictures) {
            QDir().mkpath(base);
            mustWritePicture(base + QStringLiteral("/3.png"), QSize(800, 600), kQuestionColour);
            mustWritePicture(base + QStringLiteral("/3o.JPG"), QSize(300, 600), kAnswerColour, "jpeg");
        }
        return base;
    }
    void load(const QString &round)
    {
        form->Text1->setText(round);
        QVERIFY2(form->LoadError->text().isEmpty(), qPrintable(form->LoadError->text()));
        show()->cache()->waitForDone();
        QCoreApplication::processEvents(); // the decoded pictures arrive
    }
    QColor boardCentre()
    {
        const QImage image = form->grab().toImage();
        return image.pixelColor(numbersArea(form->layoutScale(), form->layoutOrigin()).center());
    }
    // Number 6's face, 8 px inside its corner, as the board shows it.
    QColor number6Face()
    {
        const QRect six = design::pixelRect(design::control("Option6"), form->layoutScale());
        return form->grab().toImage().pixelColor(six.topLeft() + form->layoutOrigin() + QPoint(8, 8));
    }
    int numbersShown() const
    {
        int n = 0;
        for (int k = 1; k <= 12; ++k)
            n += form->numberButton(k)->isVisibleTo(form);
        return n;
    }

private slots:
    void init()
    {
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
        start();
        form->show();
    }
    void cleanup() { stop(); }

    void pictureFromPickToTeamButton()
    {
        load(writeRound());
        QTest::mouseClick(form->Option3, Qt::LeftButton);
        QCOMPARE(form->Label1->text(), QStringLiteral("Вопрос 3"));
        QCOMPARE(sound->beeps, 1);
        QVERIFY(show()->isVisible());
        QCOMPARE(show()->geometry(), numbersArea(1.0));
        QVERIFY(near(boardCentre(), kQuestionColour));
        // Fitted and centred on the window's face colour: the 4:3 picture
        // leaves bands at the sides.
        const QImage shot = form->grab().toImage();
        QCOMPARE(shot.pixelColor(2, numbersArea(1.0).center().y()), form->palette().color(QPalette::Window));

        for (int beat = 2; beat <= 5; ++beat)
            form->Timer1_Timer();
        QCOMPARE(form->Label5->text(), QStringLiteral("STOP"));
        QVERIFY(near(boardCentre(), kQuestionColour));
        QTest::mouseClick(form->Command3, Qt::LeftButton);
        QVERIFY(near(boardCentre(), kAnswerColour));

        QTest::mouseClick(form->Command1, Qt::LeftButton);
        QVERIFY(!show()->isVisible());
        QCOMPARE(numbersShown(), 11);
        QCOMPARE(number6Face(), QColor(QRgb(*design::control("Option6").faceColour)));
    }

    // A click on the picture, another pick and another round each put the
    // numbers back; «ОТВЕТ» without an answer picture keeps the question's.
    void numbersComeBack()
    {
        load(writeRound());
        form->Option3->click();
        QTest::mouseClick(show(), Qt::LeftButton);
        QVERIFY(!show()->isVisible());
        QCOMPARE(show()->hostState().state, PictureShow::State::Dismissed);
        form->numberButton(7)->click();
        QCOMPARE(numbersShown(), 10);
        QVERIFY(!show()->isVisible());
        form->Command3->click(); // no 7o picture
        QVERIFY(!show()->isVisible());

        form->numberButton(3)->click(); // hidden on the board, still the host's to pick
        QVERIFY(show()->isVisible());
        form->Text1->setText(form->Text1->text()); // unchanged: no reload
        form->Text1->setText(dir.filePath(QStringLiteral("7")) + QStringLiteral("x"));
        QVERIFY(show()->isVisible()); // a failed load changes nothing
        load(dir.filePath(QStringLiteral("7")));
        QVERIFY(!show()->isVisible());
        QCOMPARE(numbersShown(), 12);
    }

    void roundWithoutPicturesPlaysAsBefore()
    {
        load(writeRound(false));
        form->Option3->click();
        QVERIFY(!show()->isVisible());
        QCOMPARE(show()->hostState().state, PictureShow::State::None);
        QCOMPARE(show()->cache()->box(), QSize()); // nothing was decoded
        QCOMPARE(number6Face(), QColor(QRgb(*design::control("Option6").faceColour)));
    }

    void badPictureIsTextAlone()
    {
        const QString round = writeRound();
        mustWriteFile(round + QStringLiteral("/5.jpg"), "не картинка");
        load(round);
        game->console.act(hostkeys::Action::HostView);
        form->numberButton(5)->click();
        QCOMPARE(form->Label1->text(), QStringLiteral("Вопрос 5"));
        QVERIFY(!show()->isVisible());
        const PictureShow::HostState state = show()->hostState();
        QCOMPARE(state.state, PictureShow::State::Failed);
        QVERIFY2(state.problem.contains(round + QStringLiteral("/5.jpg")), qPrintable(state.problem));
        HostPicture *host = game->showing.hostView()->pictureArea();
        QVERIFY(host->isVisibleTo(game->showing.hostView()));
        QVERIFY(host->stateLabel()->text().contains(QStringLiteral("5.jpg — не картинка")));

        form->Option3->click();
        QVERIFY(host->stateLabel()->text().contains(QStringLiteral("видна в зале")));
        game->showing.setBlanked(true);
        QVERIFY(host->stateLabel()->text().contains(QStringLiteral("зал затемнён")));
        QCOMPARE(boardCentre(), QColor(Qt::black));
    }

    // Full screen lays the board out at a projector's scale: the picture
    // follows and is decoded again at its new size.
    void followsTheScale()
    {
        load(writeRound());
        form->Option3->click();
        form->resize(1920, 1080);
        form->layOut(2.0, QPoint(30, 20));
        QCOMPARE(show()->geometry(), numbersArea(2.0, QPoint(30, 20)));
        show()->cache()->waitForDone();
        QCoreApplication::processEvents();
        const QImage &image = show()->cache()->slot({3, pictures::Side::Question}).image;
        QCOMPARE(image.size(), QSize(800, 600).scaled(show()->size(), Qt::KeepAspectRatio));
        QVERIFY(near(boardCentre(), kQuestionColour));
    }
};

QTEST_MAIN(TestBoardPictures)
#include "tst_boardpictures.moc"
