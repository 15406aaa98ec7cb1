#include "window/gamekeeper.h"

#include "game/game.h"
#include "journal/journal.h"
#include "journal/roundchange.h"
#include "window/form1.h"
#include "window/hostconsole.h"

#include <QLabel>
#include <QLineEdit>

GameKeeper::GameKeeper(Form1 *form, HostConsole *console, journal::Journal *journal)
    : QObject(form), m_form(form), m_console(console), m_journal(journal)
{
    if (const auto offer = journal->interruptedGame()) {
        form->ResumeNotice->setText(offerText(*offer));
        m_offerShown = true;
        form->ResumeNotice->setVisible(true);
    }
    connect(form, &Form1::gameChanged, this, &GameKeeper::record);
    // The evening comes back without asking; one over twelve hours old is
    // kept beside the journal and a new one begins.
    m_evening = journal->lastEvening();
    form->setEvening(m_evening);
    // The host chose a new game: the offer goes at the first edit of the
    // round name (a resume puts the name back without this signal).
    connect(form->Text1, &QLineEdit::textEdited, this, &GameKeeper::endOffer);
    connect(console, &HostConsole::resumeRequested, this, &GameKeeper::resume);
    connect(journal, &journal::Journal::problemChanged, this, &GameKeeper::tellConsole);
    tellConsole();
}

// The journal holds the offer; the keeper only shows it.
bool GameKeeper::offers() const
{
    return m_journal->interruptedGame().has_value();
}

QString GameKeeper::offerText(const GameSnapshot &game) const
{
    const teams::Names &names = m_form->game().teamNames();
    QString score = QStringLiteral("%1 : %2").arg(game.score1.trimmed(), game.score2.trimmed());
    if (!names.isEmpty())
        score = QStringLiteral("%1 %2 %3")
                    .arg(names.first.isEmpty() ? QStringLiteral("КОМАНДА 1") : names.first, score,
                         names.second.isEmpty() ? QStringLiteral("КОМАНДА 2") : names.second);
    return QStringLiteral("Прерванная игра: тур %1, %2, осталось номеров: %3 — Ctrl+R")
        .arg(game.round, score)
        .arg(game.numbersLeftCount());
}

void GameKeeper::resume()
{
    const auto offer = m_journal->interruptedGame();
    if (!offer)
        return;
    const GameSnapshot game = *offer;
    endOffer();
    m_form->restore(game); // records it through gameChanged
    if (journal::compareRoundFiles(game) == journal::RoundOnDisk::Changed)
        m_roundNote = QStringLiteral("Файлы тура «%1» изменились после записи: игра идёт по записанному.")
                          .arg(game.round);
    tellConsole();
}

void GameKeeper::record()
{
    const GameSnapshot game = m_form->snapshot();
    if (m_evening.began != game.evening.began)
        m_journal->keepEnded(m_evening); // a new evening began
    m_evening = game.evening;
    if (game.picked)
        endOffer(); // a pick: the host chose a new game
    const bool offered = offers();
    m_journal->record(game); // a round loaded ends the offer there too
    if (offered && !offers())
        endOffer();
}

void GameKeeper::endOffer()
{
    if (!m_offerShown)
        return;
    m_offerShown = false;
    m_journal->endOffer();
    m_form->ResumeNotice->setVisible(false);
    tellConsole();
}

void GameKeeper::tellConsole()
{
    HostConsole::Keeping keeping;
    if (const auto offer = m_journal->interruptedGame())
        keeping.offer = offerText(*offer);
    keeping.problem = m_journal->problem();
    m_form->setGameKept(keeping.problem.isEmpty());
    keeping.roundNote = m_roundNote;
    m_console->setKeeping(keeping);
}
