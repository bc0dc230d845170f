#!/usr/bin/env python3
"""Writes Tavosu's ready drills from KANJIDIC2 and EDICT.

For each school year, four sets of question files:

- 音読み: each kanji of the year, answered with its on'yomi in use, in
  katakana, most used first;
- 訓読み: each common word that is a kanji of the year alone or with the
  okurigana of a kun'yomi, answered with its readings that are such
  kun'yomi;
- 熟語の読み: each common word of two or more kanji and no kana, answered
  with every reading EDICT marks common for it;
- 漢字の書き: each reading of a common word that no other word EDICT marks
  common has, answered with that word.

A word is EDICT's: a spelling and a reading with their senses; spellings
that share a reading and senses are one word, which 熟語の読み and
漢字の書き ask in its first spelling only. A word is common when EDICT marks
it "(P)" and none of its tags leaves it out (see common). A word belongs to
the latest school year of its kanji, so no question is asked in two years.

A kanji reading is in use when a common word uses it: each common word's
reading is aligned to its characters (see align); words that do not align,
read as a whole, give no reading in use.

Questions go in the order of KANJIDIC2's newspaper frequency of the year's
kanji they drill, cut into files of one sitting each with few questions on
any one kanji (see files): <out>/<year>/<set>-NN.txt, in UTF-8 with CR LF.
A question or answer longer than the drill window shows whole is left out.

Prints the questions of each set and what it left out.

Usage: make_drills.py KANJIDIC2 EDICT OUT_FOLDER
"""

import collections
import functools
import gzip
import os
import re
import sys
import xml.etree.ElementTree as ElementTree

# School years in KANJIDIC2's grade numbers: 1 to 6, then 8 for the rest of
# the 常用 kanji, learnt in 中学.
YEARS = [("1", "小学1年"), ("2", "小学2年"), ("3", "小学3年"), ("4", "小学4年"),
         ("5", "小学5年"), ("6", "小学6年"), ("8", "中学")]
ON, KUN, COMPOUNDS, WRITING = "音読み", "訓読み", "熟語の読み", "漢字の書き"
MAX_PER_FILE = 100
MAX_PER_KANJI = 15
# The widest question or answer the drill window shows whole at 32 pt, in
# full-width characters; JOINER, narrow in the window's proportional font,
# counts as half of one.
MAX_WIDTH = 11
JOINER = "、"
ITERATION_MARK = "々"
SOURCE = "KANJIDIC2、EDICT、EDRDG、CC BY-SA 3.0"
# EDICT writes these 常用 kanji in their older forms.
EDICT_FORMS = {"剥": "剝", "填": "塡", "頬": "頰", "叱": "𠮟"}

# EDICT's tags that leave a word out: irregular or outdated spellings and
# readings; usually written in kana, on the first sense; and affixes and
# counters, as the only parts of speech of the first sense.
SPELLING_TAGS = {"io", "iK", "ik", "oK", "ok"}
KANA_TAG = "uk"
AFFIX_TAGS = {"pref", "suf", "ctr", "n-pref", "n-suf"}
# The tags EDICT puts before the senses, on the spelling or reading.
WORD_TAGS = SPELLING_TAGS | {"ateji", "gikun"}

# Hiragana, each with its katakana.
KATAKANA_OF = {c: c + 0x60 for c in range(0x3041, 0x3097)}
HIRAGANA_OF = {k: h for h, k in KATAKANA_OF.items()}
HIRAGANA = re.compile(f"[{chr(min(KATAKANA_OF))}-{chr(max(KATAKANA_OF))}]")
KANA_AFTER = re.compile(HIRAGANA.pattern + "*")
KATAKANA = re.compile(r"[\u30a1-\u30fa\u30fc]")
EDICT_LINE = re.compile(r"(\S+) (?:\[(\S+)\] )?/(.*)/\(P\)/")
LEADING_TAGS = re.compile(r"(?:\([^)]*\) )*")
WORD_TAG = re.compile(r"\((%s)\) " % "|".join(WORD_TAGS))

# Sound changes in compounds: the first kana voiced (は also to ぱ), and a
# final く, き, つ or ち made a small つ.
VOICINGS = collections.defaultdict(list)
for plain_kana, voiced_kana in [*zip("かきくけこさしすせそたちつてとはひふへほ",
                                     "がぎぐげござじずぜぞだぢづでどばびぶべぼ"),
                                *zip("はひふへほ", "ぱぴぷぺぽ")]:
    VOICINGS[plain_kana].append(voiced_kana)
UNVOICED = {v: p for p, vs in VOICINGS.items() for v in vs}
# The first kana of an affix form joined to a nasal before it, and its own.
LIAISON = dict(zip("なにぬねのまみむめも", "あいうえおあいうえお"))
GEMINATING = "くきつち"
SMALL_TSU = "っ"
# A verb's last kana in its continuative form, the form it takes before
# another word.
CONTINUATIVE = dict(zip("うくぐすつぬぶむる", "いきぎしちにびみり"))


Kanji = collections.namedtuple("Kanji", "grade freq readings")
# A kanji reading in hiragana: the stem the kanji stands for and the
# okurigana after it ("" for none).
Reading = collections.namedtuple("Reading", "on stem okurigana")
# common: the word is common (see common); usually_kana: it would be, but
# that EDICT marks it as usually written in kana.
Line = collections.namedtuple("Line", "word reading senses common usually_kana")


def read_kanjidic2(path):
    """{kanji: Kanji} for every kanji of KANJIDIC2, readings as
    plain_readings gives them; the 常用 forms of EDICT_FORMS take the
    frequency of the older forms, as they have none."""
    kanji = {}
    with gzip.open(path) as file:
        for _, element in ElementTree.iterparse(file):
            if element.tag != "character":
                continue
            readings = [(r.get("r_type") == "ja_on", r.text) for r in element.iter("reading")
                        if r.get("r_type") in ("ja_on", "ja_kun")]
            freq = element.findtext("misc/freq")
            kanji[element.findtext("literal")] = Kanji(element.findtext("misc/grade"),
                                                       int(freq) if freq else None,
                                                       plain_readings(readings))
            element.clear()
    for old, new in EDICT_FORMS.items():
        kanji[new] = kanji[new]._replace(freq=kanji[old].freq)
    return kanji


def plain_readings(readings):
    """{Reading as listed: the Reading it counts as}, in list order, for
    [(on, KANJIDIC2 text)]: an affix form (with a dash) counts as itself
    without the dash, or as the listed form it is voiced or joined to a
    nasal from; a kun'yomi as the listed form it is voiced from."""
    listed = {}
    for on, text in readings:
        stem, _, okurigana = text.strip("-").partition(".")
        reading = Reading(on, stem.translate(HIRAGANA_OF), okurigana)
        listed[reading] = listed.get(reading, True) and text != text.strip("-")
    plain = {}
    for reading, affix in listed.items():
        first = reading.stem[0]
        heads = ([UNVOICED.get(first)] if affix or not reading.on else [])
        heads += [LIAISON.get(first)] if affix else []
        forms = [reading._replace(stem=head + reading.stem[1:]) for head in heads if head]
        plain[reading] = next((form for form in forms if form in listed), reading)
    return plain


def common(word, reading, word_tags, senses):
    """(common, usually_kana) for EDICT's (P) line of word and reading,
    with the word_tags before its senses: it is common when neither word
    nor reading holds katakana or carries SPELLING_TAGS, and the first
    sense is neither KANA_TAG nor only AFFIX_TAGS; usually_kana when only
    KANA_TAG keeps it from being common."""
    tags = re.findall(r"\(([^)]*)\)", LEADING_TAGS.match(senses).group())
    sense_tags = [set(t.split(",")) for t in tags]
    regular = not (KATAKANA.search(word + reading) or SPELLING_TAGS & set(word_tags)
                   or (sense_tags and sense_tags[0] <= AFFIX_TAGS))
    kana = any(KANA_TAG in t for t in sense_tags)
    return regular and not kana, regular and kana


def read_edict(path):
    """[Line] of EDICT's (P) lines in file order: the word with the kanji
    of EDICT_FORMS in their 常用 forms, its reading in hiragana, its senses
    (without the tags on the word or reading), and whether it is common."""
    forms = str.maketrans(EDICT_FORMS)
    lines = []
    with open(path, encoding="euc_jp") as file:
        for text in file:
            match = EDICT_LINE.fullmatch(text.rstrip("\n"))
            if not match:
                continue
            word, reading, senses = match.groups()
            reading = reading or word
            word_tags = []
            while tag := WORD_TAG.match(senses):
                word_tags.append(tag.group(1))
                senses = senses[tag.end():]
            lines.append(Line(word.translate(forms), reading.translate(HIRAGANA_OF), senses,
                              *common(word, reading, word_tags, senses)))
    return lines


@functools.lru_cache(maxsize=None)
def segments(reading, kana_after, first, last):
    """The kana a kanji read as reading can stand for in a word, followed in
    it by kana_after (the kana up to its next kanji) and first or last in
    it: with okurigana following (its last kana may change), the stem;
    with none following, the stem and the okurigana of a verb in its
    continuative form or, ending in る, without it, or the stem of an
    adjective; each also voiced at its start unless first, and then each
    ending in a small つ unless last."""
    stem, okurigana = reading.stem, reading.okurigana
    if not okurigana:
        bases = {stem}
    elif kana_after:
        bases = {stem} if kana_after.startswith(okurigana[:-1]) else set()
    else:
        bases = {stem + okurigana[:-1] + CONTINUATIVE.get(okurigana[-1], okurigana[-1])}
        if okurigana.endswith("る"):
            bases.add(stem + okurigana[:-1])
        if okurigana.endswith("い"):
            bases.add(stem)
    if not first:
        bases |= {v + b[1:] for b in bases for v in VOICINGS.get(b[0], [])}
    if not last:
        bases |= {b[:-1] + SMALL_TSU for b in bases if len(b) > 1 and b[-1] in GEMINATING}
    return sorted(bases)


def align(word, reading, kanji):
    """[(kanji, Reading)]: the plain reading each kanji of word (and each 々,
    for the kanji it repeats) takes in reading, in word order; None when
    word's characters cannot spell reading, each kanji standing for one of
    its readings in kanji (see segments), 々 for the reading of the kanji
    before it, hiragana for themselves."""
    def rest(i, j, previous):
        if i == len(word):
            return [] if j == len(reading) else None
        c = word[i]
        if HIRAGANA.fullmatch(c):
            return rest(i + 1, j + 1, None) if reading.startswith(c, j) else None
        character = previous[0] if c == ITERATION_MARK and previous else c
        if character not in kanji:
            return None
        kana_after = KANA_AFTER.match(word, i + 1).group()
        for listed, plain in kanji[character].readings.items():
            if character != c and plain != previous[1]:
                continue
            for text in segments(listed, kana_after, i == 0, i == len(word) - 1):
                if reading.startswith(text, j):
                    found = rest(i + 1, j + len(text), (character, plain))
                    if found is not None:
                        return [(character, plain)] + found
        return None
    return rest(0, 0, None)


def year_of(word, years):
    """The index in YEARS of the latest school year of word's kanji; None
    when it has no kanji, or a character that is neither hiragana nor a
    kanji of a year in years (nor 々 after one)."""
    latest = None
    for i, c in enumerate(word):
        if c in years:
            latest = max(latest or 0, years[c])
        elif not (HIRAGANA.fullmatch(c) or (c == ITERATION_MARK and i > 0 and word[i - 1] in years)):
            return None
    return latest


Question = collections.namedtuple("Question", "year text answer kanji")


def on_questions(kanji, years, uses):
    """音読み: each kanji of a year with an on'yomi in use, answered with
    those in katakana, most used first."""
    for k, year in years.items():
        plain = list(dict.fromkeys(kanji[k].readings.values()))
        in_use = sorted((r for r in plain if r.on and uses[k, r]), key=lambda r: -uses[k, r])
        if in_use:
            yield Question(year, k, JOINER.join(r.stem.translate(KATAKANA_OF) for r in in_use), k)


def kun_questions(kanji, years, lines, asked):
    """訓読み: each word that is a kanji of a year alone or followed by the
    okurigana of a kun'yomi of it, read as that kun'yomi by a common word,
    in the first of the spellings of that word with that kanji; answered
    with all its readings that are such kun'yomi. A kanji that neither
    asked (the kanji 音読み asks) nor a common word asks is asked with the
    words that would be common but that EDICT marks as usually written in
    kana, as the kun'yomi of 𠮟, 頃 and 麓 are."""
    answers = collections.defaultdict(list)
    spellings = {}

    def take(line):
        k, okurigana = line.word[0], line.word[1:]
        stem = line.reading[:len(line.reading) - len(okurigana)]
        if (k in years and line.reading.endswith(okurigana)
                and Reading(False, stem, okurigana) in kanji[k].readings
                and spellings.setdefault((k, line.reading, line.senses), line.word) == line.word):
            answers[line.word].append(line.reading)

    for line in lines:
        if line.common:
            take(line)
    asked = asked | {word[0] for word in answers}
    for line in lines:
        if line.usually_kana and line.word[0] not in asked:
            take(line)
    for word, readings in answers.items():
        yield Question(years[word[0]], word, JOINER.join(dict.fromkeys(readings)), word[0])


def first_spellings(lines, years):
    """{(reading, senses): the first word of lines, in file order, that is
    common and of a year, with that reading and those senses}."""
    first = {}
    for line in lines:
        if line.common and year_of(line.word, years) is not None:
            first.setdefault((line.reading, line.senses), line.word)
    return first


def compound_questions(lines, years, first):
    """熟語の読み: each word of two or more kanji and no kana that is the
    first spelling of a word of a year, answered with every (P) reading of
    it, in EDICT's order."""
    readings = collections.defaultdict(list)
    for line in lines:
        readings[line.word].append(line.reading)
    for word in dict.fromkeys(first.values()):
        if len(word) > 1 and not HIRAGANA.search(word):
            yield Question(year_of(word, years), word, JOINER.join(dict.fromkeys(readings[word])), word)


def shared_readings(lines):
    """The readings that more than one (P) word of lines has."""
    words = collections.defaultdict(set)
    for line in lines:
        words[line.reading].add(line.senses)
    return {reading for reading, senses in words.items() if len(senses) > 1}


def writing_questions(years, first, shared):
    """漢字の書き: each reading of a word of a year that is not shared,
    answered with the word's first spelling."""
    for (reading, _), word in first.items():
        if reading not in shared:
            yield Question(year_of(word, years), reading, word, word)


def files(questions, years, kanji):
    """questions cut into files, [[Question]]: in order of the frequency
    of the most frequent kanji of their year they drill (kanji without one
    last), then of the least frequent kanji they hold; at most
    MAX_PER_FILE a file, as even as can be, and at most MAX_PER_KANJI on
    one kanji of their year, a question that would pass that going to the
    next file with room."""
    def rank(c):
        return kanji[c].freq or len(kanji)

    def drilled(question):
        return {c for c in question.kanji if years.get(c) == question.year}

    pending = sorted(questions, key=lambda q: (min(map(rank, drilled(q))),
                                               max(rank(c) for c in q.kanji if c in years), q.text))
    count = -(-len(pending) // MAX_PER_FILE)
    size = -(-len(pending) // max(count, 1))
    cut = []
    while pending:
        run, rest, on_kanji = [], [], collections.Counter()
        for question in pending:
            if len(run) < size and all(on_kanji[c] < MAX_PER_KANJI for c in drilled(question)):
                run.append(question)
                on_kanji.update(drilled(question))
            else:
                rest.append(question)
        cut.append(run)
        pending = rest
    return cut


def width(text):
    """text's width in the drill window, as MAX_WIDTH counts it."""
    return len(text) - text.count(JOINER) / 2


def write_set(folder, year, name, runs):
    os.makedirs(folder, exist_ok=True)
    for number, run in enumerate(runs, 1):
        header = f"# {year} {name} {number}/{len(runs)}（{SOURCE}）"
        path = os.path.join(folder, f"{name}-{number:02d}.txt")
        with open(path, "w", encoding="utf-8", newline="\r\n") as file:
            file.write("\n".join([header] + [f"{q.text} {q.answer}" for q in run]) + "\n")


def main(kanjidic2_path, edict_path, out):
    kanji = read_kanjidic2(kanjidic2_path)
    grades = {grade: i for i, (grade, _) in enumerate(YEARS)}
    years = {k: grades[c.grade] for k, c in kanji.items() if c.grade in grades}
    lines = read_edict(edict_path)

    uses = collections.Counter()
    words = [line for line in lines if line.common and year_of(line.word, years) is not None]
    unaligned = 0
    for line in words:
        alignment = align(line.word, line.reading, kanji)
        unaligned += alignment is None
        uses.update(set(alignment or []))
    readings = {(k, r) for k in years for r in kanji[k].readings.values()}
    unused = collections.Counter("on" if r.on else "kun" for k, r in readings if not uses[k, r])

    first = first_spellings(lines, years)
    shared = shared_readings(lines)
    on = list(on_questions(kanji, years, uses))
    sets = {ON: on,
            KUN: kun_questions(kanji, years, lines, {q.kanji for q in on}),
            COMPOUNDS: compound_questions(lines, years, first),
            WRITING: writing_questions(years, first, shared)}
    too_long = collections.Counter()
    asked = collections.defaultdict(list)
    for name, questions in sets.items():
        for q in questions:
            if max(width(q.text), width(q.answer)) > MAX_WIDTH:
                too_long[name] += 1
            else:
                asked[q.year, name].append(q)
    for index, (_, year) in enumerate(YEARS):
        for name in sets:
            write_set(os.path.join(out, year), year, name, files(asked[index, name], years, kanji))
        print(year, ", ".join(f"{name} {len(asked[index, name])}" for name in sets))
    print(f"Left out: {unaligned} of {len(words)} common words that do not align; "
          f"{unused['on']} on'yomi and {unused['kun']} kun'yomi of {len(readings)} readings not in use; "
          f"{len({reading for reading, _ in first} & shared)} readings shared in {WRITING}; "
          "longer than the window shows: " + ", ".join(f"{name} {too_long[name]}" for name in sets))


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
