"""Tests the drills' generator: its alignment of words to their kanji
readings, and the drills the build wrote, against KANJIDIC2 and EDICT.

Usage: make_drills_test.py KANJIDIC2 EDICT DRILLS_FOLDER
"""

import collections
import glob
import os
import sys
import unittest

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "drills"))
import make_drills  # noqa: E402
from make_drills import COMPOUNDS, JOINER, KUN, ON, WRITING  # noqa: E402

KANJIDIC2, EDICT, DRILLS = sys.argv[1:4]


def setUpModule():
    global kanji, years, lines, drills
    kanji = make_drills.read_kanjidic2(KANJIDIC2)
    grades = {grade: i for i, (grade, _) in enumerate(make_drills.YEARS)}
    years = {k: grades[c.grade] for k, c in kanji.items() if c.grade in grades}
    lines = make_drills.read_edict(EDICT)
    folders = {folder: i for i, (_, folder) in enumerate(make_drills.YEARS)}
    # {(year, set): [(question, answer, file)]}
    drills = collections.defaultdict(list)
    for path in glob.glob(os.path.join(DRILLS, "*", "*.txt")):
        year, name = folders[os.path.basename(os.path.dirname(path))], os.path.basename(path).rsplit("-", 1)[0]
        with open(path, encoding="utf-8", newline="") as file:
            drills[year, name] += [(*line.split(" "), path) for line in file.read().split("\r\n")[1:-1]]


def answer(name, question):
    """The answer to question in set name, in any year; None when none asks it."""
    return next((a for (_, n), asked in drills.items() if n == name for q, a, _ in asked if q == question), None)


class AlignTest(unittest.TestCase):
    def test_each_kanji_takes_one_of_its_readings_in_its_plain_form(self):
        for word, reading, readings in [
                ("学校", "がっこう", ["がく", "こう"]),
                ("一日", "いちにち", ["いち", "にち"]),
                ("人々", "ひとびと", ["ひと", "ひと"]),
                ("手紙", "てがみ", ["て", "かみ"]),
                ("一杯", "いっぱい", ["いち", "はい"]),
                ("発表", "はっぴょう", ["はつ", "ひょう"]),
                ("観音", "かんのん", ["かん", "おん"]),
                ("生まれる", "うまれる", ["う.まれる"]),
                ("受付", "うけつけ", ["う.ける", "つ.ける"]),
                ("大人", "おとな", None),
                ("今日", "きょう", None)]:
            with self.subTest(word=word):
                alignment = make_drills.align(word, reading, kanji)
                self.assertEqual(alignment and [".".join(filter(None, r[1:])) for _, r in alignment], readings)


class DrillsTest(unittest.TestCase):
    def test_answers_give_the_readings_in_use(self):
        self.assertEqual(answer(ON, "下"), "カ、ゲ")
        self.assertNotIn("ノン", answer(ON, "音").split(JOINER))
        self.assertEqual(answer(KUN, "入る"), "いる、はいる")
        self.assertIsNone(answer(COMPOUNDS, "入る"))
        self.assertTrue({"きょう", "こんにち"} <= set(answer(COMPOUNDS, "今日").split(JOINER)))
        # 𠮟る is marked uk, but 𠮟 has no other word to ask it by.
        self.assertEqual(answer(KUN, "𠮟る"), "しかる")

    def test_words_use_kanji_of_their_year_and_earlier_and_one_of_it(self):
        for (year, name), asked in drills.items():
            for question, answer_, _ in asked:
                word = answer_ if name == WRITING else question
                self.assertEqual(max(years.get(c, len(make_drills.YEARS)) for c in word if c in kanji), year, word)

    def test_no_file_asks_more_than_15_questions_on_one_kanji_of_its_year(self):
        for (year, name), asked in drills.items():
            on_kanji = collections.Counter((path, c) for q, a, path in asked for c in set(q + a) if years.get(c) == year)
            self.assertLessEqual(max(on_kanji.values()), 15, name)

    def test_each_writing_question_is_the_reading_of_one_common_word(self):
        words = collections.defaultdict(set)
        for line in lines:
            words[line.reading].add(line.senses)
        common = {(line.reading, line.word) for line in lines if line.common}
        for (_, name), asked in drills.items():
            for reading, word, _ in asked if name == WRITING else []:
                self.assertEqual(len(words[reading]), 1, reading)
                self.assertIn((reading, word), common)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
