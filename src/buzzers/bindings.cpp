#include "buzzers/bindings.h"

#include "rounds/roundfile.h"
#include "rounds/textencoding.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <linux/input-event-codes.h>

#include <utility>

namespace buzzers {

namespace {

constexpr qint64 kMaxFileBytes = 64 * 1024;

const std::vector<std::pair<QString, quint32>> &names()
{
    static const std::vector<std::pair<QString, quint32>> table = [] {
        std::vector<std::pair<QString, quint32>> t;
        const quint32 letters[] = {KEY_A, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H, KEY_I,
                                   KEY_J, KEY_K, KEY_L, KEY_M, KEY_N, KEY_O, KEY_P, KEY_Q, KEY_R,
                                   KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z};
        for (int i = 0; i < 26; ++i)
            t.emplace_back(QString(QChar(u'A' + i)), letters[i]);
        const quint32 digits[] = {KEY_0, KEY_1, KEY_2, KEY_3, KEY_4, KEY_5, KEY_6, KEY_7, KEY_8, KEY_9};
        const quint32 pad[] = {KEY_KP0, KEY_KP1, KEY_KP2, KEY_KP3, KEY_KP4,
                               KEY_KP5, KEY_KP6, KEY_KP7, KEY_KP8, KEY_KP9};
        for (int i = 0; i < 10; ++i) {
            t.emplace_back(QString::number(i), digits[i]);
            t.emplace_back(QStringLiteral("KP%1").arg(i), pad[i]);
        }
        const quint32 functions[] = {KEY_F1, KEY_F2, KEY_F3, KEY_F4,  KEY_F5,  KEY_F6,
                                     KEY_F7, KEY_F8, KEY_F9, KEY_F10, KEY_F11, KEY_F12};
        for (int i = 0; i < 12; ++i)
            t.emplace_back(QStringLiteral("F%1").arg(i + 1), functions[i]);
        const std::pair<const char *, quint32> others[] = {
            {"Space", KEY_SPACE},
            {"Enter", KEY_ENTER},
            {"Tab", KEY_TAB},
            {"Minus", KEY_MINUS},
            {"Equal", KEY_EQUAL},
            {"LeftBracket", KEY_LEFTBRACE},
            {"RightBracket", KEY_RIGHTBRACE},
            {"Semicolon", KEY_SEMICOLON},
            {"Apostrophe", KEY_APOSTROPHE},
            {"Grave", KEY_GRAVE},
            {"Backslash", KEY_BACKSLASH},
            {"Comma", KEY_COMMA},
            {"Dot", KEY_DOT},
            {"Slash", KEY_SLASH},
            {"KPEnter", KEY_KPENTER},
            {"KPPlus", KEY_KPPLUS},
            {"KPMinus", KEY_KPMINUS},
            {"KPAsterisk", KEY_KPASTERISK},
            {"KPSlash", KEY_KPSLASH},
            {"KPDot", KEY_KPDOT},
            {"Up", KEY_UP},
            {"Down", KEY_DOWN},
            {"Left", KEY_LEFT},
            {"Right", KEY_RIGHT},
            {"Home", KEY_HOME},
            {"End", KEY_END},
            {"Insert", KEY_INSERT},
            {"Delete", KEY_DELETE},
            {"PageUp", KEY_PAGEUP},
            {"PageDown", KEY_PAGEDOWN},
            {"Esc", KEY_ESC},
            {"Backspace", KEY_BACKSPACE},
        };
        for (const auto &[name, code] : others)
            t.emplace_back(QString::fromLatin1(name), code);
        return t;
    }();
    return table;
}

const QRegularExpression &joystickPattern()
{
    static const QRegularExpression re(QStringLiteral("^joystick:([0-9a-fA-F]{32}):button:(\\d{1,3})$"));
    return re;
}

} // namespace

QString configPath()
{
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    const QString base = QDir::isAbsolutePath(xdg) ? xdg : QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/kvizor/buzzers.conf");
}

QString keyName(quint32 evdevCode)
{
    for (const auto &[name, code] : names())
        if (code == evdevCode)
            return name;
    return QString();
}

quint32 keyPlace(const QString &name)
{
    for (const auto &[known, code] : names())
        if (known.compare(name, Qt::CaseInsensitive) == 0)
            return code;
    return 0;
}

Parsed parse(const QString &text, const HostKeyTest &isHostKey)
{
    Parsed out;
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (const qsizetype hash = line.indexOf(u'#'); hash >= 0)
            line.truncate(hash);
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        const auto problem = [&out, i](const QString &why) {
            out.problems << QStringLiteral("строка %1: %2").arg(i + 1).arg(why);
        };
        const qsizetype eq = line.indexOf(u'=');
        const QString team = eq < 0 ? QString() : line.left(eq).trimmed();
        const QString button = eq < 0 ? QString() : line.mid(eq + 1).trimmed();
        if (team != u"1" && team != u"2") {
            problem(QStringLiteral("нужно «1 = …» или «2 = …»"));
            continue;
        }
        Binding b;
        b.team = team.toInt();
        if (button.startsWith(QStringLiteral("key:"), Qt::CaseInsensitive)) {
            b.evdevCode = keyPlace(button.mid(4).trimmed());
            if (b.evdevCode == 0) {
                problem(QStringLiteral("нет клавиши «%1»").arg(button.mid(4).trimmed()));
                continue;
            }
            if (isHostKey && isHostKey(b.evdevCode)) {
                problem(QStringLiteral("клавиша %1 — клавиша ведущего").arg(keyName(b.evdevCode)));
                continue;
            }
        } else if (const auto m = joystickPattern().match(button); m.hasMatch()) {
            b.kind = Binding::Kind::JoystickButton;
            b.guid = m.captured(1).toLower();
            b.button = m.captured(2).toInt();
        } else {
            problem(QStringLiteral("нужно «key:Q» или «joystick:<GUID>:button:3»"));
            continue;
        }
        bool twice = false;
        for (const Binding &earlier : out.bindings)
            twice = twice || earlier.sameButton(b);
        if (twice) {
            problem(QStringLiteral("эта кнопка уже назначена"));
            continue;
        }
        out.bindings.push_back(b);
    }
    return out;
}

QString format(const std::vector<Binding> &bindings)
{
    QString out = QStringLiteral("# Кнопки команд: 1 = key:Q, 2 = joystick:<GUID>:button:3\n");
    std::vector<Binding> written;
    for (const Binding &b : bindings) {
        bool twice = false;
        for (const Binding &w : written)
            twice = twice || w.sameButton(b);
        if (twice)
            continue;
        written.push_back(b);
        if (b.kind == Binding::Kind::Key)
            out += QStringLiteral("%1 = key:%2\n").arg(b.team).arg(keyName(b.evdevCode));
        else
            out += QStringLiteral("%1 = joystick:%2:button:%3\n").arg(b.team).arg(b.guid).arg(b.button);
    }
    return out;
}

Outcome<Parsed> read(const QString &path, const HostKeyTest &isHostKey)
{
    if (!QFileInfo::exists(path))
        return Parsed{};
    const rounds::WholeFile file = rounds::readWholeFile(path, kMaxFileBytes);
    if (!file)
        return Outcome<Parsed>::failure(file.error);
    Parsed parsed = parse(rounds::decodeText(*file.value).text, isHostKey);
    for (QString &problem : parsed.problems)
        problem = QStringLiteral("%1, %2").arg(path, problem);
    return parsed;
}

Done write(const QString &path, const std::vector<Binding> &bindings)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return Done::failure(QStringLiteral("папка %1 не создаётся").arg(folder));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(format(bindings).toUtf8()) < 0 || !file.commit())
        return Done::failure(QStringLiteral("%1 не записан: %2").arg(path, file.errorString()));
    return {};
}

QString describe(const Binding &b)
{
    if (b.kind == Binding::Kind::Key)
        return QStringLiteral("клавиша %1").arg(keyName(b.evdevCode));
    return QStringLiteral("джойстик %1…, кнопка %2").arg(b.guid.left(8)).arg(b.button + 1);
}

} // namespace buzzers
