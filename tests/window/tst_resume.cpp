// A game closed or killed in the middle comes back with Ctrl+R exactly as it
// was, from the journal, on a real Form1.

#include "design/designtable.h"
#include "journal/journal.h"
#include "layout/picturecache.h"
#include "support/gamewindow.h"
#include "support/testpictures.h"
#include "window/gamekeeper.h"
#include "window/optionbutton.h"
#include "window/pictureshow.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

// A window with its journal in folder, as the program makes them.
struct KeptWindow
{
    explicit KeptWindow(const QString &folder) : journal(folder, journal::FaultHook{}) {}
    GameWindow game;
    journal::Journal journal;
    GameKeeper keeper{&game.form, &game.console, &journal};
};

} // namespace

class TestResume : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir state;
    QTemporaryDir roundDir;
    QString round;

    // Round 7 loaded, number 3 asked, revealed, a point to team 1, number 5
    // counting " 2".
    GameSnapshot playAndClose()
    {
        KeptWindow first(state.path());
        Form1 &form = first.game.form;
        if (first.keeper.offers())
            qFatal("an offer before any game");
        form.Text1->setText(round);
        form.Option3->click();
        for (int i = 0; i < 4; ++i)
            form.Timer1_Timer();
        form.Command3->click();
        form.Command1->click();
        form.Option5->click();
        form.Timer1_Timer();
        const GameSnapshot last = form.snapshot();
        if (!first.journal.waitForDisk(10000))
            qFatal("the journal was not written");
        return last;
    }

private slots:
    void init()
    {
        QVERIFY(state.isValid());
        QDir(state.path()).removeRecursively();
        QDir().mkpath(state.path());
        round = roundDir.filePath(QStringLiteral("7"));
        mustWriteRound(round, numberedLines(kQuestionCp1251), numberedLines(kAnswerCp1251));
    }

    void ctrlRBringsTheGameBackStoppedAndSilent()
    {
        GameSnapshot before = playAndClose();
        KeptWindow again(state.path());
        Form1 &form = again.game.form;
        QVERIFY(again.keeper.offers());
        QVERIFY(form.ResumeNotice->isVisibleTo(&form));
        QVERIFY2(form.ResumeNotice->text().contains(QStringLiteral("1 : 0")),
                 qPrintable(form.ResumeNotice->text()));
        QVERIFY(form.ResumeNotice->text().contains(QStringLiteral("номеров: 10")));
        QCOMPARE(form.Label2->text(), QStringLiteral("0")); // the designed start until the host asks

        again.game.console.act(hostkeys::Action::Resume);
        const GameSnapshot after = form.snapshot();
        QCOMPARE(again.game.sound.beeps, 0);
        QCOMPARE(again.game.sound.stopSounds, 0);
        QVERIFY(!form.Timer1->isActive());
        // The countdown cut short comes back over: STOP, "ОТВЕТ" offered.
        before.countdown = QStringLiteral("STOP");
        before.counting = false;
        before.answerOffered = true;
        QVERIFY(after.sameGame(before));
        QCOMPARE(form.Text1->text(), round);
        QVERIFY(form.LoadError->text().isEmpty());
        QVERIFY(!form.Label7->isVisibleTo(&form)); // answer 5 still held
        QVERIFY(!form.ResumeNotice->isVisibleTo(&form));

        // Ctrl+Z takes back the point given before the close.
        form.takeBackPoint();
        QCOMPARE(form.Label2->text(), QStringLiteral("0"));
        form.Command3->click();
        QCOMPARE(form.Label7->text(), QStringLiteral("Ответ 5"));
    }

    void theOfferGoesWhenTheHostStartsAnew_data()
    {
        QTest::addColumn<bool>("byPick");
        QTest::newRow("the round name edited") << false;
        QTest::newRow("a number picked") << true;
    }
    void theOfferGoesWhenTheHostStartsAnew()
    {
        QFETCH(bool, byPick);
        playAndClose();
        {
            KeptWindow again(state.path());
            Form1 &form = again.game.form;
            QVERIFY(again.keeper.offers());
            if (byPick) {
                form.Option1->click();
            } else {
                form.show();
                form.Text1->setFocus();
                QTest::keyClick(form.Text1, Qt::Key_8);
            }
            QVERIFY(!again.keeper.offers());
            QVERIFY(!form.ResumeNotice->isVisibleTo(&form));
            again.game.console.act(hostkeys::Action::Resume); // nothing to bring back
            QCOMPARE(form.Label2->text(), QStringLiteral("0"));
            QVERIFY(again.journal.waitForDisk(10000));
        }
        // The new game replaced the old one on disk.
        KeptWindow third(state.path());
        QCOMPARE(third.keeper.offers(), byPick);
        if (byPick)
            QVERIFY(third.keeper.offers() &&
                    third.game.form.ResumeNotice->text().contains(QStringLiteral("0 : 0")));
    }

    // The round's pictures come back with the game: the question's on the
    // board, the answer's once it was revealed, and every later pick's.
    void picturesComeBackWithTheGame_data()
    {
        QTest::addColumn<bool>("revealed");
        QTest::addColumn<bool>("pointGiven");
        QTest::addColumn<QString>("shown"); // empty: the numbers
        QTest::newRow("question 3 on the board") << false << false << QStringLiteral("3.png");
        QTest::newRow("answer 3 revealed") << true << false << QStringLiteral("3o.png");
        QTest::newRow("question 3 over") << true << true << QString();
    }
    void picturesComeBackWithTheGame()
    {
        QFETCH(bool, revealed);
        QFETCH(bool, pointGiven);
        QFETCH(QString, shown);
        QDir().mkpath(round);
        for (const char *name : {"3.png", "3o.png", "5.png"})
            mustWritePicture(round + u'/' + QLatin1String(name), QSize(40, 30), Qt::red);
        {
            KeptWindow first(state.path());
            Form1 &form = first.game.form;
            form.Text1->setText(round);
            form.Option3->click();
            first.game.runToStop();
            if (revealed)
                form.Command3->click();
            if (pointGiven)
                form.Command1->click();
            QVERIFY(first.journal.waitForDisk(10000));
        }
        KeptWindow again(state.path());
        Form1 &form = again.game.form;
        form.show();
        PictureShow *pictures = form.pictures();
        const auto onTheBoard = [pictures] {
            pictures->cache()->waitForDone();
            QCoreApplication::processEvents(); // the decoded pictures arrive
            return pictures->isVisible() ? pictures->hostState().fileName : QString();
        };
        again.game.console.act(hostkeys::Action::Resume);
        QCOMPARE(onTheBoard(), shown);
        if (!revealed) {
            form.Command3->click();
            QCOMPARE(onTheBoard(), QStringLiteral("3o.png"));
        }
        form.Option5->click();
        QCOMPARE(onTheBoard(), QStringLiteral("5.png"));
    }

    // A second window keeps no game while another program holds the journal,
    // and says so in the sound notice's corner, both notices readable, until
    // a change finds the journal free.
    void aSecondWindowSaysItsGameIsNotKept()
    {
        auto holder = std::make_unique<journal::Journal>(state.path(), journal::FaultHook{});
        KeptWindow second(state.path());
        Form1 &form = second.game.form;
        QVERIFY(form.KeepNotice->isVisibleTo(&form));
        QCOMPARE(form.KeepNotice->text(), QStringLiteral("не сохраняется"));
        second.game.sound.setAvailable(false);
        QVERIFY(form.SoundNotice->isVisibleTo(&form));
        QVERIFY(!form.SoundNotice->geometry().intersects(form.KeepNotice->geometry()));
        for (const QLabel *notice : {form.SoundNotice, form.KeepNotice}) {
            const QFontMetrics metrics(notice->font());
            QVERIFY2(metrics.horizontalAdvance(notice->text()) <= notice->width() &&
                         metrics.height() <= notice->height(),
                     qPrintable(notice->objectName()));
        }

        holder.reset();
        form.Text1->setText(round);
        QVERIFY(second.journal.waitForDisk(10000));
        QTRY_VERIFY(form.KeepNotice->isHidden());
        QCOMPARE(form.SoundNotice->geometry(), design::pixelRect(design::soundNoticeLabel()));
    }

    void withoutAnInterruptedGameTheWindowIsAsDesigned()
    {
        KeptWindow fresh(state.path());
        QVERIFY(!fresh.keeper.offers());
        QVERIFY(fresh.game.form.ResumeNotice->isHidden());
        QCOMPARE(fresh.game.form.size(), QSize(819, 734));
    }
};

QTEST_MAIN(TestResume)
#include "tst_resume.moc"
