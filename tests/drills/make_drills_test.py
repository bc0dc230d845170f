"""Tests the drills' generator: how it spells words by the readings of the
常用漢字表 and where that places them, and the drills the build wrote,
against the table, its 付表 and EDICT.

Usage: make_drills_test.py KANJIDIC2 EDICT DRILLS_FOLDER
"""

import collections
import glob
import os
import sys
import unittest

sys.dont_write_bytecode = True  # nothing written into the source tree
DRILLS_SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "drills")
sys.path.insert(0, DRILLS_SOURCE)
import make_drills  # noqa: E402
from make_drills import COMPOUNDS, FOLDERS, JOINER, KUN, ON, WRITING  # noqa: E402

KANJIDIC2, EDICT, DRILLS = sys.argv[1:4]


def setUpModule():
    global table, fuhyo, speller, texts, lines, drills, taught
    kanji = make_drills.read_kanjidic2(KANJIDIC2)
    table = make_drills.read_joyo(os.path.join(DRILLS_SOURCE, "data", "joyo-2017.csv"))
    fuhyo = make_drills.read_fuhyo(os.path.join(DRILLS_SOURCE, "data", "joyo-fuhyo.json"))
    years = {k: make_drills.GRADES[kanji[k].grade] for k in table}
    speller = make_drills.Speller(table, years, fuhyo)
    texts = make_drills.read_edict(EDICT)
    lines = make_drills.edict_lines(texts)
    # {(folder, set): [(question, answer, file)]}
    drills = collections.defaultdict(list)
    for path in glob.glob(os.path.join(DRILLS, "*", "*.txt")):
        folder = FOLDERS.index(os.path.basename(os.path.dirname(path)))
        name = os.path.basename(path).rsplit("-", 1)[0]
        with open(path, encoding="utf-8", newline="") as file:
            drills[folder, name] += [(*line.split(" "), path)
                                     for line in file.read().split("\r\n")[1:-1]]
    taught = readings_asked()


def asked(name, question):
    """{folder: answer} of question in set name."""
    return {folder: a for (folder, n), questions in drills.items() if n == name
            for q, a, _ in questions if q == question}


def readings_asked():
    """{(kanji, Reading): folders}: the readings of the table that 音読み
    and 訓読み ask, by the answers they give."""
    found = collections.defaultdict(set)
    for (folder, name), questions in drills.items():
        for question, answer, _ in questions if name in (ON, KUN) else []:
            for text in answer.split(JOINER):
                if name == ON:
                    on = text.translate(make_drills.HIRAGANA_OF)
                    parts = [(question, make_drills.Reading(True, on, ""))]
                else:
                    parts = getattr(speller.place(question, text), "parts", [])
                    k, okurigana = question[0], question[1:]
                    stem = text[:len(text) - len(okurigana)]
                    parts.append((k, make_drills.Reading(False, stem, okurigana)))
                for k, r in parts:
                    if r in table.get(k, {}):
                        found[k, r].add(folder)
    return found


class SpellerTest(unittest.TestCase):
    def test_a_word_is_taught_where_its_latest_reading_and_kanji_are(self):
        # (word, reading, folder, the reading each kanji or 付表 word takes,
        # whether it needs a sound change the table does not show)
        for word, reading, folder, parts, changed in [
                ("学校", "がっこう", "小学1年", ["がく", "こう"], False),
                ("手紙", "てがみ", "小学2年", ["て", "かみ"], False),
                ("発表", "はっぴょう", "小学3年", ["はつ", "ひょう"], False),
                ("人々", "ひとびと", "小学1年", ["ひと", "ひと"], False),
                ("受付", "うけつけ", "小学4年", ["う.ける", "つ.ける"], False),
                ("現われる", "あらわれる", "小学5年", ["あらわ.れる"], False),
                ("見積り", "みつもり", "小学4年", ["み.る", "つ.もる"], False),
                ("出来", "でき", "小学2年", ["で.る", "く.る"], False),
                ("首相", "しゅしょう", "中学", ["しゅ", "しょう"], False),
                ("足下", "あしもと", "中学", ["あし", "もと"], False),
                ("生い立ち", "おいたち", "中学", ["お.う", "た.つ"], False),
                ("風呂", "ふろ", "高校", ["ふ", "ろ"], False),
                ("大人", "おとな", "小学1年", ["大人"], False),
                ("今日", "きょう", "小学2年", ["今日"], False),
                ("目覚まし時計", "めざましどけい", "小学4年", ["め", "さ.ます", "時計"], False),
                ("手伝い", "てつだい", "小学4年", ["手伝う"], False),
                ("日本", "にほん", "小学1年", ["にち", "ほん"], True),
                ("文字", "もじ", "小学1年", ["もん", "じ"], True),
                ("因縁", "いんねん", "中学", ["いん", "えん"], True),
                ("切手", "きって", "小学2年", ["き.る", "て"], True),
                ("鶏肉", "とりにく", None, None, None),
                ("苗字", "みょうじ", None, None, None),
                ("易い", "やすい", None, None, None)]:
            with self.subTest(word=word):
                placed = speller.place(word, reading)
                self.assertEqual(placed and (FOLDERS[placed.folder], changed),
                                 folder and (folder, changed))
                self.assertEqual(placed and [".".join(filter(None, r[1:])) if r else part
                                             for part, r in placed.parts], parts)


class DrillsTest(unittest.TestCase):
    def test_each_reading_is_asked_where_it_is_taught(self):
        self.assertEqual(asked(ON, "下")[0], "カ、ゲ")
        self.assertEqual(taught["主", make_drills.Reading(True, "す", "")], {7})
        self.assertEqual(asked(ON, "主"), {2: "シュ", 7: "シュ、ス"})
        self.assertEqual([(name, q) for (folder, name), questions in drills.items() if folder < 6
                          for q, a, _ in questions if "首相" in q + a], [])
        self.assertEqual(asked(COMPOUNDS, "首相"), {6: "しゅしょう"})
        self.assertEqual(asked(KUN, "下"), {0: "した"})
        self.assertEqual(taught["下", make_drills.Reading(False, "もと", "")], {6})

    def test_every_reading_of_the_table_is_asked_at_its_stage(self):
        self.assertEqual([k + r.stem for k in table for r in table[k]
                          if make_drills.stage(speller.folder(k, r)) not in
                          {make_drills.stage(folder) for folder in taught[k, r]}], [])

    def test_the_fuhyo_words_and_the_prefectures_are_asked(self):
        self.assertEqual(asked(COMPOUNDS, "今日"), {1: "きょう、こんにち"})
        self.assertEqual(asked(COMPOUNDS, "大人"), {0: "おとな"})
        for word, readings in fuhyo.items():
            with self.subTest(word=word):
                answers = asked(KUN if make_drills.HIRAGANA.search(word) else COMPOUNDS, word)
                self.assertEqual(list(answers), [make_drills.year_of(word, speller.years)])
                self.assertLessEqual(set(readings), set(answers.popitem()[1].split(JOINER)))
        names = make_drills.re.compile(f"\\S*[{make_drills.PREFECTURE_ENDS}] ")
        prefectures = make_drills.read_prefectures(lines + make_drills.edict_lines(texts, names))
        self.assertEqual(len(prefectures), 47)
        self.assertEqual(prefectures["茨城県"], "いばらきけん")
        for name, reading in prefectures.items():
            self.assertEqual(asked(COMPOUNDS, name), {3: reading})
            self.assertEqual(asked(WRITING, reading), {3: name})

    def test_words_use_kanji_of_their_folder_and_earlier(self):
        for (folder, name), questions in drills.items():
            for question, answer, _ in questions:
                word = answer if name == WRITING else question
                self.assertLessEqual(max(map(speller.years.get, speller.kanji(word))), folder, word)

    def test_no_file_asks_more_than_15_questions_on_one_kanji_of_its_year(self):
        for (folder, name), questions in drills.items():
            on_kanji = collections.Counter((path, c) for q, a, path in questions for c in set(q + a)
                                           if speller.years.get(c) == folder)
            self.assertLessEqual(max(on_kanji.values(), default=0), 15, name)

    def test_answers_are_common_readings_but_for_the_fuhyo_the_prefectures_and_kun(self):
        common = {(line.word, line.reading) for line in lines if line.common}
        common |= {(q, a) for q, a, _ in drills[3, COMPOUNDS] if q[-1] in "都道府県"}
        for (_, name), questions in drills.items():
            for question, answer, _ in questions if name in (COMPOUNDS, WRITING) else []:
                word, readings = ((answer, [question]) if name == WRITING
                                  else (question, answer.split(JOINER)))
                for reading in readings:
                    self.assertTrue((word, reading) in common or reading in fuhyo.get(word, []),
                                    (word, reading))
        # A kun'yomi that no common word carries is asked by a word EDICT
        # has, or by the kanji alone with a reading of the table.
        kun = [q for (_, name), questions in drills.items() if name == KUN for q in questions]
        words = {q for q, _, _ in kun}
        forms = str.maketrans(make_drills.EDICT_FORMS)
        spoken = {(line.word, line.reading) for line in lines + make_drills.edict_lines(
            [t for t in texts if t[:t.find(" ")].translate(forms) in words],
            make_drills.re.compile(""))}
        for question, answer, _ in kun:
            for reading in answer.split(JOINER):
                stem = reading[:len(reading) - len(question) + 1]
                self.assertTrue((question, reading) in spoken or reading in fuhyo.get(question, [])
                                or make_drills.Reading(False, stem, question[1:])
                                in table.get(question[0], {}), (question, reading))

    def test_each_writing_question_is_the_reading_of_one_word(self):
        senses = collections.defaultdict(set)
        for line in lines:
            senses[line.reading].add(line.senses)
        common = {(line.reading, line.word) for line in lines}
        for (_, name), questions in drills.items():
            for reading, word, _ in questions if name == WRITING else []:
                self.assertLessEqual(len(senses[reading]), 1, reading)
                self.assertTrue(not senses[reading] or (reading, word) in common, reading)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
