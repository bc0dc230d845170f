#!/usr/bin/env python3
"""Writes Tavosu's ready drills from the 常用漢字表, KANJIDIC2 and EDICT.

The 常用漢字表 gives the readings asked, each with the stage at which the
Ministry of Education's 2017 table teaches it (小学, 中学, 高校), and its
付表 the words read as a whole; KANJIDIC2 gives each kanji's school year
and how often it is used; EDICT gives the words.

Each reading is taught in one folder (see FOLDERS): a 小学 reading in the
year of its kanji, a 中学 one in 中学, a 高校 one in 高校. A word is
taught in the folder of the latest reading it needs, or of its latest
kanji where that is later (see Speller): its reading must be spelled by
the readings of its kanji in the table, or by 付表 words, with the sound
changes of compounds. Each folder has four sets of question files:

- 音読み: each kanji that gets an on'yomi in the folder, answered with
  its on'yomi taught by then, in katakana, most used first;
- 訓読み: each kun'yomi taught in the folder, asked by its kanji with the
  okurigana, or by the word that carries it best where that would be
  ambiguous (see kun_questions); and the 付表 words with kana;
- 熟語の読み: each common word of two or more kanji and no kana taught in
  the folder, and each 付表 word, answered with its common readings taught
  by then and its 付表 readings;
- 漢字の書き: each reading taught in the folder of a word that no other
  common word has, answered with the word.

The 47 prefectures are asked in 小学4年, when school teaches them.

A word is EDICT's: a spelling and a reading with their senses; spellings
that share a reading and senses are one word, which 熟語の読み and
漢字の書き ask in its first spelling only. A word is common when EDICT marks
it "(P)" and none of its tags leaves it out (see read_edict).

Questions go in the order of KANJIDIC2's newspaper frequency of the kanji
they drill, cut into files of one sitting each with few questions on any
one kanji (see files): <out>/<folder>/<set>-NN.txt, in UTF-8 with CR LF.
A question or answer longer than the drill window shows whole is left out.

Prints the questions of each set, what it left out and what it took from
outside the table.

Usage: make_drills.py KANJIDIC2 EDICT JOYO FUHYO OUT_FOLDER
"""

import collections
import csv
import functools
import gzip
import json
import os
import re
import sys
import xml.etree.ElementTree as ElementTree

FOLDERS = ["小学1年", "小学2年", "小学3年", "小学4年", "小学5年", "小学6年", "中学", "高校"]
# KANJIDIC2's grades of the 常用 kanji, as the folders of their school years:
# 1 to 6, then 8 for the rest, learnt in 中学.
GRADES = {"1": 0, "2": 1, "3": 2, "4": 3, "5": 4, "6": 5, "8": 6}
# The table's stages, in its column order, as the first folder of each: a
# 小学 reading is taught in the year of its kanji.
STAGES = [0, 6, 7]
# The folder that asks the prefectures: 小学4年, where school teaches them.
PREFECTURES_FOLDER = 3
ON, KUN, COMPOUNDS, WRITING = "音読み", "訓読み", "熟語の読み", "漢字の書き"
MAX_PER_FILE = 100
MAX_PER_KANJI = 15
# The widest question or answer the drill window shows whole at 32 pt, in
# full-width characters; JOINER, narrow in the window's proportional font,
# counts as half of one.
MAX_WIDTH = 11
JOINER = "、"
ITERATION_MARK = "々"
SOURCE = "常用漢字表、KANJIDIC2、EDICT、EDRDG、CC BY-SA 3.0"
# EDICT and the table write these 常用 kanji in their older forms too.
EDICT_FORMS = {"剥": "剝", "填": "塡", "頬": "頰", "叱": "𠮟"}

# EDICT's tags that leave a word out: irregular or outdated spellings and
# readings; usually written in kana, on the first sense; and affixes and
# counters, as the only parts of speech of the first sense.
SPELLING_TAGS = {"io", "iK", "ik", "oK", "ok"}
KANA_TAG = "uk"
AFFIX_TAGS = {"pref", "suf", "ctr", "n-pref", "n-suf"}
# The tags EDICT puts before the senses, on the spelling or reading.
WORD_TAGS = SPELLING_TAGS | {"ateji", "gikun"}
COMMON_MARK = "/(P)"
# What marks a word few know: a first sense tagged archaic, obsolete,
# obscure or rare, a word from another language, or a species.
OBSCURE = re.compile(r"^(?:\([^)]*\) )*\((?:arch|obs|obsc|rare)\)|\([a-z]{3}:|species")

# Hiragana, each with its katakana.
KATAKANA_OF = {c: c + 0x60 for c in range(0x3041, 0x3097)}
HIRAGANA_OF = {k: h for h, k in KATAKANA_OF.items()}
HIRAGANA = re.compile(f"[{chr(min(KATAKANA_OF))}-{chr(max(KATAKANA_OF))}]")
KANA_AFTER = re.compile(HIRAGANA.pattern + "*")
TRAILING_KANA = re.compile(HIRAGANA.pattern + "*$")
KATAKANA = re.compile(r"[\u30a1-\u30fa\u30fc]")
EDICT_LINE = re.compile(r"(\S+) (?:\[(\S+)\] )?/(.*)/")
LEADING_TAGS = re.compile(r"(?:\([^)]*\) )*")
WORD_TAG = re.compile(r"\((%s)\) " % "|".join(WORD_TAGS))
# A prefecture as EDICT glosses it, and the ends of their names.
PREFECTURE = re.compile(r"(?:\(n\) )?[A-Z]\w+ (?:[Pp]refecture|Metropolis \(prefecture\)"
                        r"|\(island, prefectural-level)")
PREFECTURE_ENDS = "都道府県"

# Sound changes in compounds: the first kana voiced (は also to ぱ), and a
# final く, き, つ or ち made a small つ.
VOICINGS = collections.defaultdict(list)
for plain_kana, voiced_kana in [*zip("かきくけこさしすせそたちつてとはひふへほ",
                                     "がぎぐげござじずぜぞだぢづでどばびぶべぼ"),
                                *zip("はひふへほ", "ぱぴぷぺぽ")]:
    VOICINGS[plain_kana].append(voiced_kana)
GEMINATING = "くきつち"
SMALL_TSU = "っ"
# Sound changes that the table shows for no reading, each made on few
# words: an on'yomi's final ち or ん dropped (日本 にほん, 文字 もじ); after
# ん, an on'yomi's first vowel taking an n (因縁 いんねん, 反応 はんのう); and a
# verb's continuative り made a small つ (切手 きって).
ELIDED = "ちん"
NASAL = "ん"
LIAISON = dict(zip("あいうえお", "なにぬねの"))
GEMINATING_VERB = "り"
# A verb's last kana in its continuative form, the form it takes before
# another word; 来る's is き.
CONTINUATIVE = dict(zip("うくぐすつぬぶむる", "いきぎしちにびみり"))
IRREGULAR_CONTINUATIVE = {("く", "る"): "き"}


Kanji = collections.namedtuple("Kanji", "grade freq")
# A reading of the table in hiragana: the stem the kanji stands for and the
# okurigana after it ("" for none).
Reading = collections.namedtuple("Reading", "on stem okurigana")
# An EDICT line: marked when EDICT marks it "(P)"; regular, usually_kana
# and common as read_edict tells.
Line = collections.namedtuple("Line", "word reading senses marked regular usually_kana common")
# Where a word's reading is taught: the folder; its kanji and 付表 words,
# each with the Reading it takes (None for a 付表 word); whether it needs a
# sound change the table does not show.
Placed = collections.namedtuple("Placed", "folder parts changed")
# The kanji a question drills, as files counts them, all its kanji, and the
# readings of the table it asks, each a set.
Question = collections.namedtuple("Question", "folder text answer drilled kanji asks")


def read_kanjidic2(path):
    """{kanji: Kanji} for every kanji of KANJIDIC2; the 常用 forms of
    EDICT_FORMS take the frequency of the older forms, as they have none."""
    kanji = {}
    with gzip.open(path) as file:
        for _, element in ElementTree.iterparse(file):
            if element.tag != "character":
                continue
            freq = element.findtext("misc/freq")
            kanji[element.findtext("literal")] = Kanji(element.findtext("misc/grade"),
                                                       int(freq) if freq else None)
            element.clear()
    for old, new in EDICT_FORMS.items():
        kanji[new] = kanji[new]._replace(freq=kanji[old].freq)
    return kanji


def read_joyo(path):
    """{kanji: {Reading: stage}} of the 常用漢字表, the stage an index of
    STAGES, in the table's order; older forms left out."""
    table = {}
    with open(path, encoding="utf-8", newline="") as file:
        for k, *stages in csv.reader(file):
            if k in EDICT_FORMS:
                continue
            table[k] = {}
            for stage, field in enumerate(stages):
                for text in field.split():
                    stem, _, okurigana = text.partition("-")
                    on = not HIRAGANA.match(text)
                    table[k][Reading(on, stem.translate(HIRAGANA_OF), okurigana)] = stage
    return table


def read_fuhyo(path):
    """{spelling: [reading]} of the 付表."""
    with open(path, encoding="utf-8") as file:
        return {word: entry["読み"] for entry in json.load(file) for word in entry["語"]}


def read_edict(path):
    """EDICT's lines, as text, in file order."""
    with open(path, encoding="euc_jp") as file:
        return file.read().splitlines()


def edict_lines(texts, wanted=None):
    """[Line] of the lines of texts (see read_edict) that are marked "(P)",
    or with wanted, of the others that the pattern matches at their start:
    the word with the kanji of EDICT_FORMS in their 常用 forms, its reading
    in hiragana, its senses (without the tags on the word or reading, nor
    the mark). A line is regular when neither word nor reading holds
    katakana or carries SPELLING_TAGS and its first sense is not only
    AFFIX_TAGS; usually_kana when it is regular and its first sense
    KANA_TAG; common when it is marked, regular and not usually_kana."""
    forms = str.maketrans(EDICT_FORMS)
    lines = []
    for text in texts:
        marked = text.endswith(COMMON_MARK + "/")
        taken = not marked and wanted.match(text) if wanted else marked
        match = taken and EDICT_LINE.fullmatch(text)
        if not match:
            continue
        word, reading, senses = match.groups()
        reading = reading or word
        senses = senses.removesuffix(COMMON_MARK)
        word_tags = []
        while tag := WORD_TAG.match(senses):
            word_tags.append(tag.group(1))
            senses = senses[tag.end():]
        tags = re.findall(r"\(([^)]*)\)", LEADING_TAGS.match(senses).group())
        sense_tags = [set(t.split(",")) for t in tags]
        regular = not (KATAKANA.search(word + reading) or SPELLING_TAGS & set(word_tags)
                       or (sense_tags and sense_tags[0] <= AFFIX_TAGS))
        kana = any(KANA_TAG in t for t in sense_tags)
        lines.append(Line(word.translate(forms), reading.translate(HIRAGANA_OF), senses,
                          marked, regular, regular and kana, marked and regular and not kana))
    return lines


def continuatives(stem, okurigana):
    """The kana a verb (or adjective) of stem and okurigana keeps before
    another word: its continuative form, or without its last る, or the
    stem of an adjective."""
    last = okurigana[-1]
    bases = {stem + okurigana[:-1] + CONTINUATIVE.get(last, last)}
    if last == "る":
        bases.add(stem + okurigana[:-1])
    if last == "い":
        bases.add(stem)
    if (stem, okurigana) in IRREGULAR_CONTINUATIVE:
        bases.add(IRREGULAR_CONTINUATIVE[stem, okurigana])
    return bases


@functools.lru_cache(maxsize=None)
def segments(reading, kana_after, first, last, after_nasal, changes):
    """The kana a kanji read as reading can stand for in a word, followed in
    it by kana_after (the kana up to its next kanji), first or last in it,
    after a kana ん or not: with kana following, the stem with any of the
    okurigana but its last kana, or part of the stem where the kana spell
    the rest; with none, the stem and for a verb or adjective its
    continuatives; each also voiced at its start unless first, and then
    each ending in a small つ unless last. With changes, also the sound
    changes the table does not show (see ELIDED)."""
    stem, okurigana = reading.stem, reading.okurigana
    if kana_after:
        bases = {stem[:n] for n in range(1, len(stem))
                 if kana_after.startswith(stem[n:] + okurigana[:-1])}
        bases |= {stem + okurigana[:n] for n in range(max(len(okurigana), 1))
                  if kana_after.startswith(okurigana[n:-1])}
        bases |= {IRREGULAR_CONTINUATIVE.get((stem, okurigana))} - {None}
    else:
        bases = continuatives(stem, okurigana) if okurigana else {stem}
    if changes and reading.on:
        bases |= {b[:-1] for b in bases if len(b) > 1 and b[-1] in ELIDED and not last}
        bases |= {LIAISON[b[0]] + b[1:] for b in bases if after_nasal and b[0] in LIAISON}
    if not first:
        bases |= {v + b[1:] for b in bases for v in VOICINGS.get(b[0], [])}
    if not last:
        geminating = GEMINATING + (GEMINATING_VERB if changes and okurigana else "")
        bases |= {b[:-1] + SMALL_TSU for b in bases if len(b) > 1 and b[-1] in geminating}
    return sorted(bases)


def heads(stem):
    """What a reading of stem leaves in any word it spells: its kana but
    the last, or its one kana, voiced or not."""
    head = stem[:-1] or stem
    return {head} | {v + head[1:] for v in VOICINGS.get(head[0], [])}


def stage(folder):
    """The index in STAGES of the stage that teaches in folder."""
    return max(i for i, first in enumerate(STAGES) if first <= folder)


def year_of(word, years):
    """The folder of the latest school year of word's kanji; None when it
    has no kanji, or a character that is neither hiragana nor a kanji of
    years (nor 々 after one)."""
    latest = None
    for i, c in enumerate(word):
        if c in years:
            latest = max(latest or 0, years[c])
        elif not (HIRAGANA.fullmatch(c)
                  or (c == ITERATION_MARK and i > 0 and word[i - 1] in years)):
            return None
    return latest


class Speller:
    """Finds where a word's reading is taught: which readings of the table
    (or 付表 words) spell it, and in which folder."""

    def __init__(self, table, years, fuhyo):
        """table as read_joyo gives it, years {kanji: folder}, fuhyo as
        read_fuhyo gives it."""
        self.years = years
        self.folders = {k: {r: max(years[k], STAGES[s]) for r, s in readings.items()}
                        for k, readings in table.items()}
        # {first character: [(付表 spelling, a form of it, its reading, its
        # folder)]}, a verb also in its continuatives.
        self.units = collections.defaultdict(list)
        for spelling, readings in fuhyo.items():
            kana = TRAILING_KANA.search(spelling).group()
            for reading in readings:
                forms = {(spelling, reading)}
                if kana and kana[-1] in CONTINUATIVE:
                    head, reading_head = spelling[:-len(kana)], reading[:-len(kana)]
                    forms |= {(head + c, reading_head + c) for c in continuatives("", kana)}
                for form, text in forms:
                    self.units[spelling[0]].append((spelling, form, text, year_of(spelling, years)))

    def folder(self, k, reading):
        """The folder that teaches kanji k's Reading reading."""
        return self.folders[k][reading]

    def place(self, word, reading):
        """The Placed of word read as reading that is taught first, without
        the sound changes of ELIDED where it can be; None when the table's
        readings and 付表 words spell no reading of it."""
        latest = year_of(word, self.years)
        if latest is None:
            return None
        for changes in (False, True):
            for folder in [latest] + [s for s in STAGES if s > latest]:
                parts = self.align(word, reading, folder, changes)
                if parts is not None:
                    return Placed(folder, parts, changes)

    def align(self, word, reading, folder, changes):
        """[(kanji or 付表 spelling, Reading or None)]: the part of word
        each reading of the table taught by folder, or 付表 word of a year
        up to it, takes in reading, in word order, 々 taking the reading of
        the kanji before it and hiragana themselves (see segments); None
        when there is no such spelling."""
        def rest(i, j, previous):
            if i == len(word):
                return [] if j == len(reading) else None
            c = word[i]
            after_nasal = reading.startswith(NASAL, j - 1) if j else False
            for spelling, form, text, taught in self.units.get(c, ()):
                if taught <= folder and word.startswith(form, i):
                    for head in [text[0]] + ([] if i == 0 else VOICINGS.get(text[0], [])):
                        if reading.startswith(head + text[1:], j):
                            found = rest(i + len(form), j + len(text), None)
                            if found is not None:
                                return [(spelling, None)] + found
            if HIRAGANA.fullmatch(c):
                return rest(i + 1, j + 1, None) if reading.startswith(c, j) else None
            character = previous[0] if c == ITERATION_MARK and previous else c
            if character not in self.folders:
                return None
            kana_after = KANA_AFTER.match(word, i + 1).group()
            for listed, taught in self.folders[character].items():
                if taught > folder or (character != c and listed != previous[1]):
                    continue
                for text in segments(listed, kana_after, i == 0, i == len(word) - 1,
                                     after_nasal, changes):
                    if reading.startswith(text, j):
                        found = rest(i + 1, j + len(text), (character, listed))
                        if found is not None:
                            return [(character, listed)] + found
            return None
        return rest(0, 0, None)

    def kanji(self, word):
        """The 常用 kanji of word."""
        return {c for c in word if c in self.years}

    def drilled(self, placed):
        """The kanji of placed taught in its folder: those whose reading
        is, or of a 付表 word of its year; all its kanji where none is."""
        kanji = set()
        for part, reading in placed.parts:
            if reading is not None and self.folder(part, reading) == placed.folder:
                kanji.add(part)
            elif reading is None:
                kanji |= {c for c in part if self.years.get(c) == placed.folder}
        return kanji or {c for part, _ in placed.parts for c in self.kanji(part)}


def on_questions(table, speller, uses):
    """音読み: each kanji in each folder that teaches an on'yomi of it,
    answered with its on'yomi taught by then, most used first."""
    for k, readings in table.items():
        ons = sorted((r for r in readings if r.on), key=lambda r: -uses[k, r])
        for folder in sorted({speller.folder(k, r) for r in ons}):
            taught = [r for r in ons if speller.folder(k, r) <= folder]
            yield Question(folder, k, JOINER.join(r.stem.translate(KATAKANA_OF) for r in taught),
                           {k}, {k}, {(k, r) for r in taught if speller.folder(k, r) == folder})


def kun_questions(table, speller, spoken, carriers, answers):
    """([Question], Counter of the kun'yomi asked by a word that is not
    common ("EDICT") or by the table alone ("table")) of 訓読み: each
    kun'yomi of the table, asked in the first of these that
    there is: its kanji with its okurigana, where EDICT has that word,
    common, so read (生まれる うまれる); the best of its carriers, where it
    is common (七日 なのか); its kanji with its okurigana, where EDICT has
    that word; the best of its carriers; its kanji with its okurigana.

    The kanji with its okurigana is asked in the folder of its first
    kun'yomi, answered with those of that folder; a later one is asked by
    its best carrier where that is common, as the kanji alone would be
    ambiguous (下 もと: 足下 あしもと), else by the kanji again, answered
    with the earlier ones too. A word is answered with the readings answers
    gives it and the one that carries the kun'yomi. A question asked twice
    is asked once, with the answers of both.

    spoken: {(word, reading): its regular Line, a common one first};
    carriers: {(kanji, Reading): [(Line, Placed)]}, best first (see
    carriers_of)."""
    questions = {}
    alone = collections.defaultdict(lambda: collections.defaultdict(list))
    fallbacks = collections.Counter()

    def ask(folder, text, readings, drilled, asks):
        if (folder, text) in questions:
            earlier = questions[folder, text]
            readings = [*earlier.answer.split(JOINER), *readings]
            asks |= earlier.asks
        questions[folder, text] = Question(folder, text, JOINER.join(dict.fromkeys(readings)),
                                           drilled, speller.kanji(text), asks)

    def common_carrier(k, r):
        best = carriers.get((k, r))
        return best[0] if best and best[0][0].marked else None

    def carry(k, r, line, placed):
        ask(placed.folder, line.word, sorted({line.reading, *answers(line.word, placed.folder)}),
            speller.drilled(placed), {(k, r)})

    for k, readings in table.items():
        kun = [r for r in readings if not r.on]
        for r in kun:
            form, folder = k + r.okurigana, speller.folder(k, r)
            found = spoken.get((form, r.stem + r.okurigana))
            if found and found.marked:
                alone[form][folder].append(r)
            elif common_carrier(k, r):
                carry(k, r, *common_carrier(k, r))
            else:
                fallbacks["EDICT" if found or (k, r) in carriers else "table"] += 1
                if found or (k, r) not in carriers:
                    alone[form][folder].append(r)
                else:
                    carry(k, r, *carriers[k, r][0])
    for form, by_folder in alone.items():
        k, first = form[0], min(by_folder)
        taught = []
        for folder in sorted(by_folder):
            here = [r for r in by_folder[folder] if folder == first or not common_carrier(k, r)]
            for r in by_folder[folder]:
                if r not in here:
                    carry(k, r, *common_carrier(k, r))
            if here:
                taught += here
                ask(folder, form, [r.stem + r.okurigana for r in taught], {k},
                    {(k, r) for r in here})
    return list(questions.values()), fallbacks


def read_prefectures(lines):
    """{name: reading}: the prefectures EDICT glosses as such, each with
    its first reading."""
    found = {}
    for line in lines:
        if line.regular and line.word[-1] in PREFECTURE_ENDS and PREFECTURE.match(line.senses):
            found.setdefault(line.word, line.reading)
    return found


def word_questions(entries, speller):
    """Each word of entries ({word: {reading: folder}}), in the first
    folder of its readings, answered with those of that folder in あいうえお
    order."""
    for word, readings in entries.items():
        folder = min(readings.values())
        answer = JOINER.join(sorted(t for t, f in readings.items() if f == folder))
        yield Question(folder, word, answer, speller.drilled(Placed(folder, [(word, None)], False)),
                       speller.kanji(word), set())


def writing_questions(entries, first, lines, speller):
    """漢字の書き: each reading of a word of entries that no other word
    has, nor a marked line of other senses, answered with the word: its
    first spelling (first) where it is common."""
    senses = collections.defaultdict(set)
    for line in lines:
        if line.marked:
            senses[line.reading].add(line.senses)
    words = collections.defaultdict(set)
    for word, readings in entries.items():
        for reading in readings:
            words[reading].add(word)
    for reading, (word,) in ((t, w) for t, w in words.items() if len(w) == 1):
        if not senses[reading] or (len(senses[reading]) == 1
                                   and first.get((reading, *senses[reading])) == word):
            placed = Placed(entries[word][reading], [(word, None)], False)
            yield Question(placed.folder, reading, word, speller.drilled(placed),
                           speller.kanji(word), set())


def files(questions, ranks):
    """questions cut into files, [[Question]]: in order of the frequency
    rank (ranks) of the most frequent kanji they drill, then of the least
    frequent kanji they hold; at most MAX_PER_FILE a file, as even as can
    be, and at most MAX_PER_KANJI on one kanji they drill, a question that
    would pass that going to the next file with room."""
    pending = sorted(questions,
                     key=lambda q: (min(map(ranks, q.drilled)), max(map(ranks, q.kanji)), q.text))
    count = -(-len(pending) // MAX_PER_FILE)
    size = -(-len(pending) // max(count, 1))
    cut = []
    while pending:
        run, rest, on_kanji = [], [], collections.Counter()
        for question in pending:
            if len(run) < size and all(on_kanji[c] < MAX_PER_KANJI for c in question.drilled):
                run.append(question)
                on_kanji.update(question.drilled)
            else:
                rest.append(question)
        cut.append(run)
        pending = rest
    return cut


def width(text):
    """text's width in the drill window, as MAX_WIDTH counts it."""
    return len(text) - text.count(JOINER) / 2


def write_set(folder, name, runs):
    os.makedirs(folder, exist_ok=True)
    for number, run in enumerate(runs, 1):
        header = f"# {os.path.basename(folder)} {name} {number}/{len(runs)}（{SOURCE}）"
        path = os.path.join(folder, f"{name}-{number:02d}.txt")
        with open(path, "w", encoding="utf-8", newline="\r\n") as file:
            file.write("\n".join([header] + [f"{q.text} {q.answer}" for q in run]) + "\n")


def carriers_of(lines, placements, speller, readings, ranks):
    """{(kanji, Reading): [(Line, Placed)]} of each kun'yomi: the placed
    lines that use it, taught in its folder or a later one of its stage,
    but for the kanji alone with its okurigana; best first: common, not
    usually written in kana, taught early, with no other reading taught by
    then (see readings), not obscure, short, of frequent kanji (ranks),
    early in EDICT."""
    carriers = collections.defaultdict(list)
    for index, line in enumerate(lines):
        if placed := placements.get(line):
            others = {t for t, f in readings[line.word].items()
                      if f <= placed.folder and t != line.reading}
            key = (not line.marked, line.usually_kana, placed.folder, bool(others),
                   bool(OBSCURE.search(line.senses)), len(line.word),
                   sum(map(ranks, speller.kanji(line.word))), index)
            for k, r in set(placed.parts):
                if (r and not r.on and line.word != k + r.okurigana
                        and stage(speller.folder(k, r)) == stage(placed.folder)):
                    carriers[k, r].append((key, line, placed))
    return {reading: [(line, placed) for _, line, placed in sorted(found)]
            for reading, found in carriers.items()}


def spoken_words(lines):
    """{(word, reading): its regular Line, a marked one first}."""
    spoken = {}
    for line in lines:
        key = (line.word, line.reading)
        if line.regular and (key not in spoken or line.marked and not spoken[key].marked):
            spoken[key] = line
    return spoken


def main(kanjidic2_path, edict_path, joyo_path, fuhyo_path, out):
    kanji = read_kanjidic2(kanjidic2_path)
    table = read_joyo(joyo_path)
    years = {k: GRADES[kanji[k].grade] for k in table}
    fuhyo = read_fuhyo(fuhyo_path)
    speller = Speller(table, years, fuhyo)

    def ranks(c):
        return kanji[c].freq or len(kanji)

    def place(lines):
        return {line: placed for line in lines
                if line.regular and (placed := speller.place(line.word, line.reading))}

    texts = read_edict(edict_path)
    lines = edict_lines(texts)
    placements = place(lines)
    uses = collections.Counter((k, r) for line, placed in placements.items() if line.common
                               for k, r in set(placed.parts) if r)
    # {word: {reading: folder}} of its common readings and 付表 readings.
    readings = collections.defaultdict(dict)
    first = {}
    for line, placed in placements.items():
        if line.common:
            readings[line.word].setdefault(line.reading, placed.folder)
            first.setdefault((line.reading, line.senses), line.word)
    for word, fuhyo_readings in fuhyo.items():
        readings[word].update({t: year_of(word, years) for t in fuhyo_readings})

    # EDICT's other words are read for the prefectures, and for the kanji
    # of kun'yomi that no common word asks.
    carriers = carriers_of(lines, placements, speller, readings, ranks)
    spoken = spoken_words(lines)
    wanting = collections.defaultdict(set)
    for k, kun in table.items():
        for r in kun:
            if (not r.on and (k, r) not in carriers
                    and (k + r.okurigana, r.stem + r.okurigana) not in spoken):
                wanting[k] |= heads(r.stem)
    old_forms = "".join(old for old, new in EDICT_FORMS.items() if new in wanting)
    lines += edict_lines(texts, re.compile(
        f"\\S*(?:[{''.join(wanting)}{old_forms}]|[{PREFECTURE_ENDS}] )"))
    placements.update(place(line for line in lines if not line.marked and any(
        c in wanting and any(head in line.reading for head in wanting[c]) for c in line.word)))
    carriers = carriers_of(lines, placements, speller, readings, ranks)
    spoken = spoken_words(lines)
    prefectures = read_prefectures(lines)
    entries = {word: readings[word] for word in [*first.values(), *fuhyo]}
    entries.update({name: {reading: PREFECTURES_FOLDER} for name, reading in prefectures.items()})

    def answers(word, folder):
        return [t for t, f in readings[word].items() if f <= folder]

    kun, fallbacks = kun_questions(table, speller, spoken, carriers, answers)
    asked_in_kun = {(q.folder, q.text) for q in kun}
    words = list(word_questions(entries, speller))
    sets = {ON: list(on_questions(table, speller, uses)),
            KUN: kun + [q for q in words if q.text in fuhyo and HIRAGANA.search(q.text)],
            COMPOUNDS: [q for q in words if len(q.text) > 1 and not HIRAGANA.search(q.text)
                        and (q.folder, q.text) not in asked_in_kun],
            WRITING: list(writing_questions(entries, first, lines, speller))}
    too_long = collections.Counter()
    asked = collections.defaultdict(list)
    for name, questions in sets.items():
        for q in questions:
            if max(width(q.text), width(q.answer)) > MAX_WIDTH:
                too_long[name] += 1
            else:
                asked[q.folder, name].append(q)
    for index, folder in enumerate(FOLDERS):
        for name in sets:
            write_set(os.path.join(out, folder), name, files(asked[index, name], ranks))
        print(folder, ", ".join(f"{name} {len(asked[index, name])}" for name in sets))

    report(table, speller, lines, placements, asked, fallbacks)
    candidates = {reading for readings_ in entries.values() for reading in readings_}
    print(f"Prefectures: {len(prefectures)}; readings {WRITING} leaves out as two words have them: "
          f"{len(candidates) - len(sets[WRITING])} of {len(candidates)}; "
          "longer than the window shows: " + ", ".join(f"{name} {too_long[name]}" for name in sets))


def report(table, speller, lines, placements, asked, fallbacks):
    """Prints which readings of the table asked ({(folder, set):
    [Question]}) asks in their folder, in a later one of their stage, or
    not at all, and how many by a word that is not common or by the table
    alone (fallbacks, as kun_questions counts them); how many of the
    common words the table spells; which of the words asked need a sound
    change that it does not show, and which a reading outside it."""
    def name(k, r):
        return k + r.stem + ("-" + r.okurigana if r.okurigana else "")

    where = {}
    for (folder, _), questions in asked.items():
        for q in questions:
            for k, r in q.asks:
                where[k, r] = min(where.get((k, r), folder), folder)
    taught = {(k, r): speller.folder(k, r) for k in table for r in table[k]}
    later = [name(k, r) for (k, r), folder in taught.items() if where.get((k, r), folder) > folder]
    missing = [name(k, r) for k, r in taught if (k, r) not in where]
    print(f"Readings of the table asked: {len(taught) - len(later) - len(missing)} "
          f"of {len(taught)} in their folder, {len(later)} in a later year ({' '.join(later)}), "
          f"{len(missing)} not at all ({' '.join(missing)}); "
          f"{fallbacks['EDICT']} by a word that is not common, "
          f"{fallbacks['table']} by the table alone")
    words = [line for line in lines
             if line.common and year_of(line.word, speller.years) is not None]
    print(f"Common words: {sum(line in placements for line in words)} of {len(words)} spelled "
          "by the table's readings and 付表 words")

    spelled = {(line.word, line.reading): placed for line, placed in placements.items()}
    pairs = {(q.answer, q.text) if name_ == WRITING else (q.text, t)
             for (_, name_), questions in asked.items() if name_ != ON
             for q in questions for t in q.answer.split(JOINER)}
    placed = {pair: spelled.get(pair) or speller.place(*pair) for pair in pairs}
    changed = sorted(" ".join(pair) for pair, p in placed.items() if p and p.changed)
    outside = sorted(" ".join(pair) for pair, p in placed.items() if not p)
    print(f"Readings of the {len(pairs)} words asked that need a sound change the table does not "
          f"show: {len(changed)} ({', '.join(changed)}); a reading outside it: {len(outside)} "
          f"({', '.join(outside)})")


if __name__ == "__main__":
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    main(*sys.argv[1:])
