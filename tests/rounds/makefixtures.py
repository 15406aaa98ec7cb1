#!/usr/bin/env python3
"""Writes the round files the tests read (tests/data/rounds), the demo
round (examples/1.txt, examples/1o.txt) and the example sheet for
`kvizor-check --import` (examples/sheet.csv).

The files are kept in the repository; run this only to change them. Round
files are Windows-1251 with CR LF unless a name says otherwise, so the tests
read the bytes a host's editor really produces.

    python3 tests/rounds/makefixtures.py
"""

import pathlib

ROOT = pathlib.Path(__file__).resolve().parents[2]
DATA = ROOT / "tests" / "data" / "rounds"
EXAMPLES = ROOT / "examples"

QUESTIONS = [
    "Какая река самая длинная в Европе?",
    "Сколько планет в Солнечной системе?",
    "Кто написал роман «Война и мир»?",
    "Как называется столица Австралии?",
    "Какой элемент обозначают символом Fe?",
    "В каком году Гагарин полетел в космос?",
    "Сколько струн у балалайки?",
    "Какое озеро самое глубокое в мире?",
    "Какой океан самый большой?",
    "Кто открыл закон всемирного тяготения?",
    "Какое животное сворачивается колючим клубком?",
    "Сколько минут в сутках?",
]

ANSWERS = [
    "Волга",
    "Восемь",
    "Лев Толстой",
    "Канберра",
    "Железо",
    "1961",
    "Три",
    "Байкал",
    "Тихий",
    "Ньютон",
    "Ёж",
    "1440",
]


# The byte order mark each encoding's editors write.
BOMS = {"utf-8": b"\xef\xbb\xbf", "utf-16-le": b"\xff\xfe", "utf-16-be": b"\xfe\xff"}


def write(path, lines, encoding="cp1251", newline="\r\n", bom=False, final_newline=True):
    text = newline.join(lines) + (newline if final_newline else "")
    data = text.encode(encoding)
    if bom:
        data = BOMS[encoding] + data
    path.write_bytes(data)


def pair(name, questions, answers, **kwargs):
    write(DATA / f"{name}.txt", questions, **kwargs)
    write(DATA / f"{name}o.txt", answers, **kwargs)


def main():
    DATA.mkdir(parents=True, exist_ok=True)
    EXAMPLES.mkdir(parents=True, exist_ok=True)

    pair("lines", QUESTIONS, ANSWERS)
    # Everything on one line, and no line end at the very end.
    write(DATA / "oneline.txt", [",".join(QUESTIONS)], final_newline=False)
    write(DATA / "onelineo.txt", [", ".join(ANSWERS)])

    # A forgotten pair of quotes: question 4 becomes two fields.
    comma = list(QUESTIONS)
    comma[3] = "Столица Австралии — Сидней, верно?"
    write(DATA / "comma.txt", comma)
    write(DATA / "commao.txt", ANSWERS)

    quoted = list(QUESTIONS)
    quoted[3] = '"Столица Австралии — Сидней, верно?"'
    quoted_answers = list(ANSWERS)
    quoted_answers[3] = '"Нет, Канберра"'
    pair("quotedcomma", quoted, quoted_answers)

    # Question 6 left out on purpose: its slot stays empty.
    blank = QUESTIONS[:5] + [""] + QUESTIONS[6:]
    write(DATA / "blank.txt", blank)
    write(DATA / "blanko.txt", ANSWERS)

    pair("more", QUESTIONS + ["Лишний вопрос?", "Ещё один лишний?"],
         ANSWERS + ["Лишний", "Ещё"])

    write(DATA / "eleven.txt", QUESTIONS)
    write(DATA / "eleveno.txt", ANSWERS[:11])

    zeros = list(QUESTIONS)
    zeros[0] = "007"
    zeros[1] = '"007"'
    zeros_answers = list(ANSWERS)
    zeros_answers[0] = "007"
    pair("zeros", zeros, zeros_answers)

    rules = [
        "\t  Какой газ мы выдыхаем?   \t",
        '"Кто написал «Я помню чудное мгновенье», Пушкин или Лермонтов?"',
        '  "Кто такой агент 007?"  лишнее после кавычки',
        '"Незакрытая кавычка, до конца строки',
        "#TRUE#",
        "#2008-01-01#",
        "2.50",
        "-3",
        ".5",
        "-0",
        "Запятая в конце строки даёт пустое поле,",
        "Эта строка уже не читается",
    ]
    rules_answers = [
        "Углекислый газ",
        "Пушкин",
        "Джеймс Бонд",
        "Кавычка",
        "Истина",
        "Дата",
        "Два с половиной",
        "Минус три",
        "Половина",
        "Ноль",
        "Пусто",
        "Последний",
    ]
    pair("rules", rules, rules_answers)

    pair("utf8bom", QUESTIONS, ANSWERS, encoding="utf-8", bom=True)
    pair("utf8", QUESTIONS, ANSWERS, encoding="utf-8")
    # Notepad's "Unicode" and "Unicode big endian".
    pair("utf16le", QUESTIONS, ANSWERS, encoding="utf-16-le", bom=True)
    pair("utf16be", QUESTIONS, ANSWERS, encoding="utf-16-be", bom=True)
    # The same without the mark: NUL bytes all over, not a text file to the reader.
    write(DATA / "utf16nobom.txt", QUESTIONS, encoding="utf-16-le")
    write(DATA / "utf16nobomo.txt", ANSWERS)
    pair("lf", QUESTIONS, ANSWERS, newline="\n")
    pair("cr", QUESTIONS, ANSWERS, newline="\r")

    demo_questions = [
        "Какая планета Солнечной системы самая большая?",
        "Сколько костей в скелете взрослого человека?",
        "Как называется столица Канады?",
        "Кто написал роман «Преступление и наказание»?",
        '"Что тяжелее, если взвесить в пустоте: килограмм ваты или килограмм железа?"',
        "Какой химический элемент обозначают символом Au?",
        "Какой металл остаётся жидким при комнатной температуре?",
        "В каком году Москва впервые упомянута в летописи?",
        "Сколько цветов в радуге?",
        "Кто открыл периодический закон химических элементов?",
        "Какой материк самый большой по площади?",
        "Сколько часовых поясов в России?",
    ]
    demo_answers = [
        "Юпитер",
        "206",
        "Оттава",
        "Достоевский",
        "Одинаково",
        "Золото",
        "Ртуть",
        "1147",
        "Семь",
        "Менделеев",
        "Евразия",
        "11",
    ]
    write(EXAMPLES / "1.txt", demo_questions)
    write(EXAMPLES / "1o.txt", demo_answers)

    # As a Russian spreadsheet saves CSV: Windows-1251, semicolons, quotes
    # only round cells that need them.
    sheet = [
        "Вопрос;Ответ",
        "Какая гора самая высокая в мире?;Эверест",
        "Сколько ног у паука?;Восемь",
        "Кто написал роман в стихах «Евгений Онегин»?;Пушкин",
        "Какой город называют Северной столицей России?;Санкт-Петербург",
        "Сколько дней в високосном году?;366",
        "Какая птица не летает, зато бегает быстрее лошади?;Страус",
        "В каком году закончилась Вторая мировая война?;1945",
        "Какой газ растения поглощают из воздуха?;Углекислый газ",
        '"Продолжите пословицу:\nБез труда не вытащишь…";И рыбку из пруда',
        "Какой номер у агента Джеймса Бонда?;007",
        "Кто первым сказал «Поехали!», отправляясь в космос?;Юрий Гагарин",
        '"Какой химический элемент обозначают буквой O; а какой — буквой H?";Кислород и водород',
    ]
    write(EXAMPLES / "sheet.csv", sheet)


if __name__ == "__main__":
    main()
