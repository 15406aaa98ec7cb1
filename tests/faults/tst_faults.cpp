// Round files that change under the program while it reads them: deleted,
// cut short, made unreadable, failing with an I/O error, or replaced by a
// new version (the way editors save). Whatever happens, the window stays up,
// nothing stays open, and the board is either loaded whole from what was read
// or left exactly as it was, with the reason under the round name.

#include "faultyread.h"
#include "rounds/roundfile.h"
#include "support/gamewindow.h"
#include "support/testfiles.h"
#include "window/form1.h"
#include "window/optionbutton.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <linux/capability.h>
#include <memory>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

QString questionOf(int version, int k)
{
    return QStringLiteral("Версия %1 вопрос %2").arg(version).arg(k);
}

QString answerOf(int version, int k)
{
    return QStringLiteral("Версия %1 ответ %2").arg(version).arg(k);
}

QByteArray roundFile(int version, bool answers)
{
    QByteArray bytes;
    for (int k = 1; k <= 12; ++k)
        bytes += (answers ? answerOf(version, k) : questionOf(version, k)).toUtf8() + "\n";
    return bytes;
}

// Saves a file the way most editors do: a new file renamed over the old one.
void saveByRename(const QString &path, const QByteArray &bytes)
{
    const QString temporary = path + QStringLiteral(".new");
    mustWriteFile(temporary, bytes);
    if (::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) != 0)
        qFatal("cannot rename over %s", qPrintable(path));
}

// Root reads any file whatever its mode. For as long as this lives, the
// calling thread gives up the two capabilities that allow it, so a file
// made unreadable is unreadable to the test as it would be to a host.
class WithoutFileOverride
{
public:
    WithoutFileOverride()
    {
        m_header.version = _LINUX_CAPABILITY_VERSION_3;
        if (syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_dropped = syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~WithoutFileOverride()
    {
        if (m_dropped)
            syscall(SYS_capset, &m_header, m_saved);
    }
    WithoutFileOverride(const WithoutFileOverride &) = delete;
    WithoutFileOverride &operator=(const WithoutFileOverride &) = delete;

    bool dropped() const { return m_dropped || geteuid() != 0; }

private:
    __user_cap_header_struct m_header{};
    __user_cap_data_struct m_saved[2]{};
    bool m_dropped = false;
};

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<GameWindow> m_game;
    Form1 *m_form = nullptr;
    FakeSound *m_sound = nullptr;
    bool m_otherSpelling = false;

    QString base() const { return m_dir->filePath(QStringLiteral("r")); }
    QString questions() const { return rounds::questionFileName(base()); }
    QString answers() const { return rounds::answerFileName(base()); }
    QString fileNamed(const QString &which) const { return which == u"questions" ? questions() : answers(); }

    void writeVersion(int version)
    {
        mustWriteFile(questions(), roundFile(version, false));
        mustWriteFile(answers(), roundFile(version, true));
    }

    // Everything a load could change, in one comparable text.
    QString board() const
    {
        QStringList parts;
        for (int k = 1; k <= 12; ++k) {
            parts << QStringLiteral("%1:%2|%3|%4")
                         .arg(k)
                         .arg(rounds::questionText(m_form->question(k)), m_form->answer(k))
                         .arg(m_form->numberButton(k)->isVisible() ? "shown" : "taken");
        }
        parts << m_form->Label1->text() << m_form->Label7->text() << m_form->Label5->text()
              << m_form->Label2->text() << m_form->Label3->text();
        return parts.join(u'\n');
    }

    // The round name changes to another spelling of the same round, as
    // typing would change it, and the window loads it.
    void reload()
    {
        m_otherSpelling = !m_otherSpelling;
        m_form->Text1->setText(m_otherSpelling ? m_dir->path() + QStringLiteral("/./r") : base());
    }

    // All twelve slots from the given versions of the two files.
    void verifyLoaded(int questionVersion, int answerVersion)
    {
        QVERIFY2(m_form->LoadError->text().isEmpty(), qPrintable(m_form->LoadError->text()));
        for (int k = 1; k <= 12; ++k) {
            QCOMPARE(rounds::questionText(m_form->question(k)), questionOf(questionVersion, k));
            QCOMPARE(m_form->answer(k), answerOf(answerVersion, k));
            QVERIFY(m_form->numberButton(k)->isVisible());
        }
        QCOMPARE(m_form->Label2->text(), QStringLiteral("0"));
        QCOMPARE(m_form->Label3->text(), QStringLiteral("0"));
    }

    // A faulty load must leave the board as it was, say why, and leave
    // nothing open; once the files are whole again the next load works.
    void verifyRefused(const QString &before, int descriptorsBefore, const QString &why, const QString &file)
    {
        QCOMPARE(board(), before);
        const QString shown = m_form->LoadError->text();
        QVERIFY2(shown.contains(why) && shown.contains(QFileInfo(file).fileName()), qPrintable(shown));
        QCOMPARE(openDescriptors(), descriptorsBefore);

        faults::clearReadPlan();
        QFile::remove(answers());
        ::rmdir(QFile::encodeName(answers()).constData());
        writeVersion(2);
        reload();
        verifyLoaded(2, 2);
    }

private slots:
    // A game in progress on version 1: a point given, number 5 played,
    // number 9 showing its question. Version 2 is then saved, so a load that
    // got anywhere would show.
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        writeVersion(1);
        m_game = std::make_unique<GameWindow>();
        m_form = &m_game->form;
        m_sound = &m_game->sound;
        m_form->show();
        reload();
        verifyLoaded(1, 1);

        m_form->numberButton(5)->click();
        m_game->runToStop();
        m_form->Command3_Click();
        m_form->Command1_Click();
        m_form->numberButton(9)->click();
        QCOMPARE(m_form->Label1->text(), questionOf(1, 9));
        QCOMPARE(m_form->Label2->text(), QStringLiteral(" 1"));

        writeVersion(2);
    }

    void cleanup()
    {
        faults::clearReadPlan();
        m_game.reset();
        if (m_dir)
            ::chmod(QFile::encodeName(answers()).constData(), 0644);
        m_dir.reset();
    }

    // The question file has been read (and closed) when the answer file
    // goes bad, so the round would be half there if anything were shown.
    void answerFileGoesBadBetweenReads_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("why");
        QTest::newRow("deleted") << "delete"
                                 << "Нет файла";
        QTest::newRow("made unreadable") << "chmod"
                                         << "Нет доступа к файлу";
        QTest::newRow("replaced by a folder") << "folder"
                                              << "это папка";
        QTest::newRow("replaced by a pipe") << "fifo"
                                            << "не обычный файл";
    }
    void answerFileGoesBadBetweenReads()
    {
        QFETCH(QString, change);
        QFETCH(QString, why);
        const WithoutFileOverride asHost;
        if (change == u"chmod" && !asHost.dropped())
            QSKIP("cannot give up root's right to read any file");

        const QString before = board();
        const int descriptors = openDescriptors();
        const QByteArray answerPath = QFile::encodeName(answers());
        faults::ReadPlan plan;
        plan.path = QFileInfo(questions()).canonicalFilePath();
        plan.action = [&] {
            if (change == u"chmod") {
                ::chmod(answerPath.constData(), 0);
                return;
            }
            ::unlink(answerPath.constData());
            if (change == u"folder")
                ::mkdir(answerPath.constData(), 0755);
            else if (change == u"fifo")
                ::mkfifo(answerPath.constData(), 0644);
        };
        faults::planReads(plan);

        reload();
        QVERIFY(faults::readsSeen() > 0);
        ::chmod(answerPath.constData(), 0644);
        ::unlink(answerPath.constData()); // the pipe, if that was the change
        verifyRefused(before, descriptors, why, answers());
    }

    // The disk (or the network share) fails part-way through a file.
    void readFailsPartWay_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("atRead");
        QTest::newRow("question file, EIO") << "questions" << EIO << 3;
        QTest::newRow("question file, ESTALE at once") << "questions" << ESTALE << 1;
        QTest::newRow("answer file, EIO") << "answers" << EIO << 3;
        QTest::newRow("answer file, ENOMEM near the end") << "answers" << ENOMEM << 15;
    }
    void readFailsPartWay()
    {
        QFETCH(QString, which);
        QFETCH(int, error);
        QFETCH(int, atRead);

        const QString before = board();
        const int descriptors = openDescriptors();
        faults::ReadPlan plan;
        plan.path = QFileInfo(fileNamed(which)).canonicalFilePath();
        plan.chunk = 16;
        plan.atRead = atRead;
        plan.failErrno = error;
        faults::planReads(plan);

        reload();
        QCOMPARE(faults::readsSeen(), atRead);
        verifyRefused(before, descriptors, QStringLiteral("Ошибка чтения файла"), fileNamed(which));
    }

    // Cut short in place (same file, fewer bytes) while being read: the
    // reader meets the end early and the round is short.
    void truncatedWhileRead_data()
    {
        QTest::addColumn<QString>("which");
        QTest::newRow("question file") << "questions";
        QTest::newRow("answer file") << "answers";
    }
    void truncatedWhileRead()
    {
        QFETCH(QString, which);
        const QString file = fileNamed(which);

        const QString before = board();
        const int descriptors = openDescriptors();
        faults::ReadPlan plan;
        plan.path = QFileInfo(file).canonicalFilePath();
        plan.chunk = 16;
        plan.atRead = 2;
        plan.action = [path = QFile::encodeName(file)] { QVERIFY(::truncate(path.constData(), 40) == 0); };
        faults::planReads(plan);

        reload();
        QVERIFY(faults::readsSeen() >= 2);
        verifyRefused(before, descriptors, QStringLiteral("меньше 12 полей"), file);
    }

    // Saved anew (renamed over) or deleted while open: the open file stays
    // the one that was there, so the load finishes whole from it and the new
    // version comes with the next load.
    void replacedWhileRead_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<bool>("deleteOnly");
        QTest::newRow("question file saved anew") << "questions" << false;
        QTest::newRow("answer file saved anew") << "answers" << false;
        QTest::newRow("question file deleted") << "questions" << true;
        QTest::newRow("answer file deleted") << "answers" << true;
    }
    void replacedWhileRead()
    {
        QFETCH(QString, which);
        QFETCH(bool, deleteOnly);
        const QString file = fileNamed(which);
        const bool isAnswers = which == u"answers";

        const int descriptors = openDescriptors();
        faults::ReadPlan plan;
        plan.path = QFileInfo(file).canonicalFilePath();
        plan.chunk = 16;
        plan.atRead = 2;
        plan.action = [&] {
            if (deleteOnly)
                QFile::remove(file);
            else
                saveByRename(file, roundFile(3, isAnswers));
        };
        faults::planReads(plan);

        reload();
        QVERIFY(faults::readsSeen() > 2);
        verifyLoaded(2, 2);
        QCOMPARE(openDescriptors(), descriptors);
        const QString loaded = board();

        faults::clearReadPlan();
        reload();
        if (deleteOnly) {
            QVERIFY(m_form->LoadError->text().contains(QStringLiteral("Нет файла")));
            QCOMPARE(board(), loaded);
        } else {
            verifyLoaded(isAnswers ? 2 : 3, isAnswers ? 3 : 2);
        }
    }

    // The host saves both files while the program is between them: each
    // file is still read whole from one version, the questions from the old
    // one and the answers from the new.
    void savedBetweenTheTwoFiles()
    {
        faults::ReadPlan plan;
        plan.path = QFileInfo(questions()).canonicalFilePath();
        plan.action = [this] {
            saveByRename(questions(), roundFile(3, false));
            saveByRename(answers(), roundFile(3, true));
        };
        faults::planReads(plan);

        reload();
        QVERIFY(faults::readsSeen() > 0);
        verifyLoaded(2, 3);

        faults::clearReadPlan();
        reload();
        verifyLoaded(3, 3);
    }
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
