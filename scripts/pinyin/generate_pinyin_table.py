#!/usr/bin/env python3
"""Generates src/exchange/pinyin/pinyin_table.cpp, the syllable table and the GBK code index.

Inputs, both under data/pinyin/:
  Unihan_kMandarin.txt   the kMandarin lines of the Unihan database (Unicode licence, see
                         LICENSE-Unicode.txt), the most customary reading of a character first;
  overrides.txt          readings that must win over the first kMandarin reading.

Usage:
  generate_pinyin_table.py                       rewrite the C++ table from the committed inputs
  generate_pinyin_table.py --check               exit 1 if the committed table is not what the
                                                 inputs give (nothing is written)
  generate_pinyin_table.py --extract-from FILE   first refresh Unihan_kMandarin.txt from a
                                                 Unihan_Readings.txt or .txt.bz2 (Debian's
                                                 unicode-data package installs
                                                 /usr/share/unicode/Unihan_Readings.txt.bz2)

Standard library only, so that the table can be regenerated anywhere python3 runs.
"""

import argparse
import bz2
import re
import sys
import unicodedata
from pathlib import Path

TOP = Path(__file__).resolve().parents[2]
DATA = TOP / "data" / "pinyin"
EXTRACT = DATA / "Unihan_kMandarin.txt"
OVERRIDES = DATA / "overrides.txt"
OUTPUT = TOP / "src" / "exchange" / "pinyin" / "pinyin_table.cpp"

LEAD_FIRST, LEAD_LAST = 0x81, 0xFE
TRAIL_FIRST, TRAIL_LAST = 0x40, 0xFE
TRAIL_COUNT = TRAIL_LAST - TRAIL_FIRST + 1
INDEX_SIZE = (LEAD_LAST - LEAD_FIRST + 1) * TRAIL_COUNT
# The symbol rows hold no Chinese characters, so they never get a reading (〇 lives there).
SYMBOL_LEADS = range(0xA1, 0xAA)
# The C++ side stores a syllable as a length byte and six letters.
MAX_SYLLABLE = 6

SYLLABLE = re.compile(r"[a-z]{1,%d}" % MAX_SYLLABLE)
COMBINING_DIAERESIS = "\u0308"


def fail(message):
    sys.exit("generate_pinyin_table: " + message)


def toneless(reading):
    """Strips the tone marks of one kMandarin reading; ü becomes v, ê becomes e."""
    letters = []
    for ch in unicodedata.normalize("NFD", reading):
        if ch == COMBINING_DIAERESIS:
            if not letters or letters[-1] != "u":
                fail("diaeresis on something other than u in %r" % reading)
            letters[-1] = "v"
        elif not unicodedata.combining(ch):
            letters.append(ch)
    result = "".join(letters).lower()
    if not SYLLABLE.fullmatch(result):
        fail("reading %r does not give a syllable of at most %d letters a-z" % (reading, MAX_SYLLABLE))
    return result


def extract(source):
    """Rewrites the committed extract from a full Unihan_Readings file: its notice plus kMandarin."""
    opener = bz2.open if str(source).endswith(".bz2") else open
    with opener(source, "rt", encoding="utf-8") as lines:
        kept = [line for line in lines
                if line.startswith("#") or line.split("\t")[1:2] == ["kMandarin"]]
    if not any(not line.startswith("#") for line in kept):
        fail("%s holds no kMandarin lines" % source)
    # The Unicode licence asks for a notice in every modified data file.
    notice = ("# Modified: only the kMandarin lines of %s are kept; made by\n"
              "# scripts/pinyin/generate_pinyin_table.py --extract-from.\n" % Path(source).name)
    EXTRACT.write_text(notice + "".join(kept), encoding="utf-8")


def read_readings():
    readings = {}
    for number, line in enumerate(EXTRACT.read_text(encoding="utf-8").splitlines(), 1):
        if not line.strip() or line.startswith("#"):
            continue
        fields = line.split("\t")
        if len(fields) != 3 or fields[1] != "kMandarin" or not fields[0].startswith("U+"):
            fail("%s:%d: not a kMandarin line" % (EXTRACT.name, number))
        character = chr(int(fields[0][2:], 16))
        readings[character] = toneless(fields[2].split()[0])
    return readings


def read_overrides():
    overrides = {}
    for number, line in enumerate(OVERRIDES.read_text(encoding="utf-8").splitlines(), 1):
        line = line.split("#", 1)[0].strip()
        if not line:
            continue
        fields = line.split()
        if len(fields) != 2 or len(fields[0]) != 1 or not SYLLABLE.fullmatch(fields[1]):
            fail("%s:%d: expected a character and a syllable of at most %d letters a-z"
                 % (OVERRIDES.name, number, MAX_SYLLABLE))
        overrides[fields[0]] = fields[1]
    return overrides


def gbk_character(lead, trail):
    try:
        text = bytes((lead, trail)).decode("gbk")
    except UnicodeDecodeError:
        return None
    return text if len(text) == 1 else None


def build(readings, overrides):
    readings = dict(readings)
    readings.update(overrides)
    characters = [None] * INDEX_SIZE
    for lead in range(LEAD_FIRST, LEAD_LAST + 1):
        if lead in SYMBOL_LEADS:
            continue
        for trail in range(TRAIL_FIRST, TRAIL_LAST + 1):
            character = gbk_character(lead, trail)
            if character in readings:
                characters[(lead - LEAD_FIRST) * TRAIL_COUNT + trail - TRAIL_FIRST] = character
    # An override for a character outside GBK would silently do nothing.
    placed = set(characters)
    for character in overrides:
        if character not in placed:
            fail("override %s (U+%04X) has no GBK code outside the symbol rows"
                 % (character, ord(character)))
    syllables = sorted({readings[c] for c in characters if c is not None})
    numbers = {syllable: number for number, syllable in enumerate(syllables, 1)}
    index = [0 if c is None else numbers[readings[c]] for c in characters]
    return syllables, index


def coverage(index):
    counts = {"all": 0, "gb2312": 0, "low": 0, "high": 0}
    for position, number in enumerate(index):
        if not number:
            continue
        lead = LEAD_FIRST + position // TRAIL_COUNT
        trail = TRAIL_FIRST + position % TRAIL_COUNT
        counts["all"] += 1
        if 0xB0 <= lead <= 0xF7 and trail >= 0xA1:
            counts["gb2312"] += 1
        elif lead <= 0xA0:
            counts["low"] += 1
        else:
            counts["high"] += 1
    return counts


def render(syllables, index, version):
    out = [
        "// Generated by scripts/pinyin/generate_pinyin_table.py; edit data/pinyin/ and run it again.",
        "// Readings derive from the kMandarin field of the Unihan database%s," % version,
        "// Copyright (C) Unicode, Inc., under the licence in data/pinyin/LICENSE-Unicode.txt.",
        "// Modified: first reading only, tones removed (v for u with diaeresis), local overrides.",
        "// clang-format off",
        "",
        '#include "exchange/pinyin/pinyin_table.h"',
        "",
        "namespace fenban::exchange::detail {",
        "",
        "const int pinyinSyllableCount = %d;" % len(syllables),
        "",
        "const char pinyinSyllables[][pinyinSyllableWidth + 1] = {",
        '    "",',
    ]
    line = "   "
    for syllable in syllables:
        item = ' "%s",' % syllable
        if len(line) + len(item) > 100:
            out.append(line)
            line = "   "
        line += item
    out += [line, "};", "", "const std::uint16_t pinyinIndex[pinyinIndexSize] = {"]
    per_line = 24
    for lead in range(LEAD_FIRST, LEAD_LAST + 1):
        row = index[(lead - LEAD_FIRST) * TRAIL_COUNT:(lead - LEAD_FIRST + 1) * TRAIL_COUNT]
        out.append("    // lead 0x%02X" % lead)
        for start in range(0, TRAIL_COUNT, per_line):
            out.append("    " + ",".join(str(n) for n in row[start:start + per_line]) + ",")
    out += ["};", "", "} // namespace fenban::exchange::detail", ""]
    return "\n".join(out)


def unicode_version():
    match = re.search(r"^# Unicode version: (\S+)", EXTRACT.read_text(encoding="utf-8"), re.M)
    return " (Unicode %s)" % match.group(1) if match else ""


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--check", action="store_true",
                        help="compare with the committed table instead of writing it")
    parser.add_argument("--extract-from", metavar="FILE", type=Path,
                        help="refresh the kMandarin extract from a Unihan_Readings file first")
    args = parser.parse_args()
    if args.check and args.extract_from:
        fail("--check compares the committed files, it cannot be combined with --extract-from")
    if args.extract_from:
        extract(args.extract_from)

    syllables, index = build(read_readings(), read_overrides())
    text = render(syllables, index, unicode_version())
    counts = coverage(index)
    summary = ("%d syllables; %d of %d GBK codes have a reading (GB2312 area %d, "
               "leads 0x81-0xA0 %d, leads 0xAA-0xFE below trail 0xA1 %d)"
               % (len(syllables), counts["all"], INDEX_SIZE, counts["gb2312"], counts["low"],
                  counts["high"]))
    if args.check:
        current = OUTPUT.read_text(encoding="utf-8") if OUTPUT.exists() else ""
        if current != text:
            fail("%s is out of date; run %s" % (OUTPUT.relative_to(TOP), Path(__file__).name))
        print("up to date: " + summary)
        return
    OUTPUT.write_text(text, encoding="utf-8")
    print("wrote %s: %s" % (OUTPUT.relative_to(TOP), summary))


if __name__ == "__main__":
    main()
