// A long evening on one window: ten thousand whole questions and a hundred
// thousand edits of the round name, with the resident memory checked once the
// window has warmed up and again at the end. A leak of a few hundred bytes per
// question or per load shows up here long before a host would notice it.
//
// Under AddressSanitizer (or with KVIZOR_SOAK_QUICK set) the counts are a
// tenth: the sanitizer makes each step much slower, and its quarantine keeps
// freed memory resident, so there the memory figures are only printed and
// LeakSanitizer does the judging at exit.

#include "support/gamewindow.h"
#include "support/testfiles.h"
#include "window/form1.h"
#include "window/optionbutton.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define KVIZOR_SOAK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KVIZOR_SOAK_ASAN 1
#endif
#endif
#ifndef KVIZOR_SOAK_ASAN
#define KVIZOR_SOAK_ASAN 0
#endif

namespace {

constexpr int kQuestions = 10000;
constexpr int kWarmUpQuestions = 1000;
constexpr int kNameEdits = 100000;
constexpr double kAllowedGrowthMiB = 4.0;

double residentMiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    if (fields.size() < 2)
        return -1;
    return fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Round "a" is Windows-1251 with CR LF, round "b" UTF-8 with LF, so the two
// loads that alternate take different paths through the decoder.
QString expectedQuestion(bool roundB, int k)
{
    return roundB ? QStringLiteral("Второй тур, вопрос %1").arg(k) : QStringLiteral("Вопрос %1").arg(k);
}

QString expectedAnswer(bool roundB, int k)
{
    return roundB ? QStringLiteral("Второй тур, ответ %1").arg(k) : QStringLiteral("Ответ %1").arg(k);
}

void writeRounds(const QTemporaryDir &dir)
{
    const QByteArray qa = numberedLines(kQuestionCp1251);
    const QByteArray aa = numberedLines(kAnswerCp1251);
    QByteArray qb, ab, shortRound;
    for (int k = 1; k <= 12; ++k) {
        qb += "\"" + expectedQuestion(true, k).toUtf8() + "\"\n";
        ab += "\"" + expectedAnswer(true, k).toUtf8() + "\"\n";
        if (k < 12)
            shortRound += "q" + QByteArray::number(k) + "\n";
    }
    mustWriteFile(dir.filePath(QStringLiteral("a.txt")), qa);
    mustWriteFile(dir.filePath(QStringLiteral("ao.txt")), aa);
    mustWriteFile(dir.filePath(QStringLiteral("b.txt")), qb);
    mustWriteFile(dir.filePath(QStringLiteral("bo.txt")), ab);
    // Questions without answers, and a round one field short.
    mustWriteFile(dir.filePath(QStringLiteral("noanswers.txt")), qa);
    mustWriteFile(dir.filePath(QStringLiteral("short.txt")), shortRound);
    mustWriteFile(dir.filePath(QStringLiteral("shorto.txt")), aa);
}

} // namespace

class TestSoak : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<GameWindow> m_game;
    Form1 *m_form = nullptr;
    FakeSound *m_sound = nullptr;
    int m_scale = 1;
    double m_warmMiB = -1;

    // Lets the window paint and delete what it deferred, as the event loop
    // would between a host's clicks.
    static void settle()
    {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // The questions loaded right now, as the board holds them.
    bool boardHolds(bool roundB) const
    {
        for (int k = 1; k <= 12; ++k) {
            if (rounds::questionText(m_form->question(k)) != expectedQuestion(roundB, k) ||
                m_form->answer(k) != expectedAnswer(roundB, k))
                return false;
        }
        return true;
    }

    void checkMemory(const char *when)
    {
        const double now = residentMiB();
        std::printf("soak: resident %.2f MiB %s (%.2f MiB after warm-up, growth %+.2f MiB)\n", now, when,
                    m_warmMiB, now - m_warmMiB);
        std::fflush(stdout);
        if (KVIZOR_SOAK_ASAN)
            return;
        QVERIFY2(
            now - m_warmMiB <= kAllowedGrowthMiB,
            qPrintable(QStringLiteral("resident memory grew by %1 MiB %2").arg(now - m_warmMiB).arg(when)));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        writeRounds(m_dir);
        if (KVIZOR_SOAK_ASAN || qEnvironmentVariableIsSet("KVIZOR_SOAK_QUICK"))
            m_scale = 10;
        std::printf("soak: %d questions, %d round-name edits%s\n", kQuestions / m_scale, kNameEdits / m_scale,
                    m_scale == 1       ? ""
                    : KVIZOR_SOAK_ASAN ? " (a tenth: AddressSanitizer build; memory is only reported)"
                                       : " (a tenth: KVIZOR_SOAK_QUICK is set)");
        std::fflush(stdout);

        m_game = std::make_unique<GameWindow>();
        m_form = &m_game->form;
        m_sound = &m_game->sound;
        m_form->show();
        settle();
    }

    void cleanupTestCase() { m_game.reset(); }

    // Load, pick, count down to STOP, reveal, score; the two rounds alternate.
    void wholeQuestions()
    {
        const QString names[2] = {m_dir.filePath(QStringLiteral("a")), m_dir.filePath(QStringLiteral("b"))};
        const int questions = kQuestions / m_scale;
        for (int i = 0; i < questions; ++i) {
            const bool roundB = i % 2;
            const int number = i % 12 + 1;
            m_form->Text1->setText(names[roundB]);
            QVERIFY2(m_form->LoadError->text().isEmpty(), qPrintable(m_form->LoadError->text()));

            const int beeps = m_sound->beeps;
            const int stops = m_sound->stopSounds;
            m_form->numberButton(number)->click();
            QCOMPARE(m_form->Label1->text(), expectedQuestion(roundB, number));
            QVERIFY(!m_form->numberButton(number)->isVisible());
            for (int tick = 2; tick <= 5; ++tick)
                m_form->Timer1_Timer();
            QCOMPARE(m_form->Label5->text(), QStringLiteral("STOP"));
            QVERIFY(!m_form->Timer1->isActive());
            QCOMPARE(m_sound->beeps - beeps, 5);
            QCOMPARE(m_sound->stopSounds - stops, 1);

            m_form->Command3_Click();
            QVERIFY(m_form->Label7->isVisible());
            QCOMPARE(m_form->Label7->text(), expectedAnswer(roundB, number));
            QLabel *score = i % 4 < 2 ? m_form->Label2 : m_form->Label3;
            if (i % 4 < 2)
                m_form->Command1_Click();
            else
                m_form->Command2_Click();
            QCOMPARE(score->text(), QStringLiteral(" 1"));
            QVERIFY(m_form->Label1->text().isEmpty());
            settle();

            if (i + 1 == kWarmUpQuestions / m_scale) {
                m_warmMiB = residentMiB();
                std::printf("soak: resident %.2f MiB after %d questions\n", m_warmMiB, i + 1);
            }
        }
        checkMemory("after the questions");
    }

    // Typing round names, good and bad mixed. A failed load says why and
    // leaves the board as the last good load made it, number taken or not.
    void roundNameEdits()
    {
        struct Edit
        {
            QString name;
            int good; // -1: fails; 0: round a; 1: round b
        };
        const Edit cycle[] = {
            {m_dir.filePath(QStringLiteral("a")), 0},
            {m_dir.filePath(QStringLiteral("ax")), -1},
            {m_dir.filePath(QStringLiteral("noanswers")), -1},
            {m_dir.filePath(QStringLiteral("b")), 1},
            {QString(), -1},
            {m_dir.filePath(QStringLiteral("short")), -1},
            {m_dir.filePath(QStringLiteral("nosuchdir/a")), -1},
            {QStringLiteral("b"), -1}, // relative: not in the working folder
        };
        constexpr int cycleLength = int(sizeof cycle / sizeof cycle[0]);

        const int edits = kNameEdits / m_scale;
        int lastGood = -1;
        int taken = 0;
        for (int i = 0; i < edits; ++i) {
            const Edit &edit = cycle[i % cycleLength];
            m_form->Text1->setText(edit.name);
            if (edit.good >= 0) {
                QVERIFY2(m_form->LoadError->text().isEmpty(), qPrintable(m_form->LoadError->text()));
                QVERIFY(boardHolds(edit.good));
                lastGood = edit.good;
                taken = i % 12 + 1;
                QVERIFY(m_form->numberButton(taken)->isVisible());
                m_form->numberButton(taken)->click();
                m_form->Timer1->stop(); // the countdown is not what this part is about
            } else {
                QVERIFY2(!m_form->LoadError->text().isEmpty(), qPrintable(edit.name));
                if (lastGood >= 0) {
                    QVERIFY(boardHolds(lastGood));
                    QVERIFY(!m_form->numberButton(taken)->isVisible());
                }
            }
            if (i % 16 == 0)
                settle();
        }
        settle();
        checkMemory("after the round-name edits");
    }
};

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
