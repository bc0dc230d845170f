#!/usr/bin/env python3
"""Writes Tavosu's ready drills from KANJIDIC and EDICT.

For each school year, 漢字の読み asks every kanji of that year for its
readings, and 熟語の読み asks the common EDICT words written with the kanji
of that year or earlier, at least one of them of that year, for their first
reading. Each set is cut into files of at most 100 questions, as even as
can be, one sitting each: <out>/<year>/<set>-NN.txt, in UTF-8 with CR LF.

Usage: make_drills.py KANJIDIC EDICT OUT_FOLDER
"""

import os
import re
import sys

# School years in KANJIDIC's grade numbers: G1 to G6, then G8 for the rest of
# the 常用 kanji, learnt in 中学.
YEARS = [("1", "小学1年"), ("2", "小学2年"), ("3", "小学3年"), ("4", "小学4年"),
         ("5", "小学5年"), ("6", "小学6年"), ("8", "中学")]
MAX_PER_FILE = 100
READINGS_JOINER = "、"
ITERATION_MARK = "々"
SOURCE = "EDRDG、CC BY-SA 3.0"

HIRAGANA = re.compile(r"[\u3041-\u3096\u30fc]+")
KATAKANA = re.compile(r"[\u30a1-\u30fa\u30fc]+")


def read_euc_jp(path):
    with open(path, encoding="euc_jp", errors="strict") as file:
        return file.read().splitlines()


def to_hiragana(kana):
    """Katakana to hiragana; the long vowel mark stays."""
    return "".join(chr(ord(c) - 0x60) if "\u30a1" <= c <= "\u30f6" else c for c in kana)


def kanji_reading(token):
    """A KANJIDIC reading as the answer writes it: affix dashes dropped,
    okurigana after the stem in parentheses. None for a non-reading field."""
    bare = token.strip("-")
    stem, dot, okurigana = bare.partition(".")
    if not (HIRAGANA.fullmatch(stem) or KATAKANA.fullmatch(stem)):
        return None
    if dot and not HIRAGANA.fullmatch(okurigana):
        return None
    return f"{stem}({okurigana})" if dot else stem


def read_kanjidic(lines):
    """[(kanji, grade, readings)] in file order, for the graded kanji."""
    kanji = []
    for line in lines:
        if line.startswith("#"):
            continue
        # Meanings are in braces; name readings (T1) and radical names (T2)
        # come after the readings.
        fields = re.sub(r"\{[^}]*\}", " ", line).split(" T", 1)[0].split()
        grades = [f[1:] for f in fields[2:] if re.fullmatch(r"G\d+", f)]
        if not grades or grades[0] not in dict(YEARS):
            continue
        readings = []
        for field in fields[2:]:
            reading = kanji_reading(field)
            if reading and reading not in readings:
                readings.append(reading)
        kanji.append((fields[0], grades[0], readings))
    return kanji


def read_common_words(lines):
    """[(word, reading in hiragana)] of EDICT's common words, each word once
    with its first common reading, in file order."""
    words = {}
    for line in lines:
        match = re.match(r"(\S+) \[(\S+)\] /.*/\(P\)/$", line)
        if not match:
            continue
        word, reading = match.groups()
        reading = to_hiragana(reading)
        if HIRAGANA.fullmatch(reading):
            words.setdefault(word, reading)
    return list(words.items())


def word_year(word, year_of):
    """The year index whose kanji the word needs, or None when a character
    is neither kana nor a graded kanji (nor 々 after a kanji)."""
    latest = None
    for i, c in enumerate(word):
        if c in year_of:
            latest = max(latest or 0, year_of[c])
        elif c == ITERATION_MARK and i > 0 and word[i - 1] in year_of:
            continue
        elif not (HIRAGANA.fullmatch(c) or KATAKANA.fullmatch(c)):
            return None
    return latest


def pieces(items):
    """items cut into as few runs of at most MAX_PER_FILE as can be, their
    lengths differing by at most one."""
    count = -(-len(items) // MAX_PER_FILE)
    bounds = [len(items) * i // count for i in range(count + 1)]
    return [items[bounds[i]:bounds[i + 1]] for i in range(count)]


def write_set(folder, year, name, source, lines):
    os.makedirs(folder, exist_ok=True)
    runs = pieces(lines)
    for number, run in enumerate(runs, 1):
        header = f"# {year} {name} {number}/{len(runs)}（{source}、{SOURCE}）"
        path = os.path.join(folder, f"{name}-{number:02d}.txt")
        with open(path, "w", encoding="utf-8", newline="\r\n") as file:
            file.write("\n".join([header] + run) + "\n")


def main(kanjidic_path, edict_path, out):
    kanji = read_kanjidic(read_euc_jp(kanjidic_path))
    year_index = {grade: i for i, (grade, _) in enumerate(YEARS)}
    year_of = {k: year_index[grade] for k, grade, _ in kanji}
    order = {k: i for i, (k, _, _) in enumerate(kanji)}
    words = read_common_words(read_euc_jp(edict_path))
    for index, (grade, year) in enumerate(YEARS):
        folder = os.path.join(out, year)
        readings = [f"{k} {READINGS_JOINER.join(r)}" for k, g, r in kanji if g == grade and r]
        write_set(folder, year, "漢字の読み", "KANJIDIC", readings)
        # Words in the order of the first kanji of the year they hold.
        chosen = [(w, r) for w, r in words if word_year(w, year_of) == index]
        chosen.sort(key=lambda wr: (min(order[c] for c in wr[0] if year_of.get(c) == index), wr[1]))
        write_set(folder, year, "熟語の読み", "EDICT", [f"{w} {r}" for w, r in chosen])


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
