#!/usr/bin/env python3
"""Our INI reader (TMemIniFile) against Python's configparser.

    ini.py KESTRO_INI_DUMP

Writes random INI texts (sections and keys drawn from small pools of names
in varied case, so that sections and keys repeat; comments, blank lines,
lines configparser refuses, LF, CRLF, CR and mixed line ends, a last line
with and without its end) and reads each with both: the sections, the keys
of each section and the value of every key must agree, and so must lookups
of every key under other spellings of its section and key names.

Both readers are set to what they have in common: configparser takes "="
only, ";" comments only (our reader reads "#x=1" as a key), no inline
comments, no interpolation and no DEFAULT section. The texts avoid what
configparser reads in a way of its own: indented lines (continuations of
the value above), text after a header's "]", keys before the first header.
Two differences are this reader's own and the test expects them:
  - section names compare without regard to case (configparser's are
    case-sensitive), so sections that differ only in case read as one;
  - the first line of a key counts, where configparser with strict=False
    keeps the last: a repeated key is checked against configparser reading
    the text only up to the key's first line.

KESTRO_DIFF_CASES=N multiplies the number of texts (default 1).
"""
import configparser
import io
import os
import random
import subprocess
import sys
import tempfile

BASE_TEXTS = 400

# Names in several spellings of one name, so that repeats happen often.
SECTION_NAMES = ["Set", "Caption", "captions", "effects", "Sources 1", "a=b", "x]y", ";not a comment",
                 "\u00c9t\u00e9", "#hash", "   padded  ", "Dup"]
KEY_NAMES = ["Speed", "Caption Font", "k", "#hash", "a[b", "x]", "key.with.dots", "\u00c4pfel", "n 1",
             "Zipped%", "value", "last*"]
VALUE_CHARS = ("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
               " \t=;#[]%$\"'\\/.,:*!?" + "".join(chr(c) for c in range(0xC0, 0x100)))
# Not at either end of a value: blanks (both readers trim them) and what
# Python counts as white space where our reader does not.
EDGE_CHARS = VALUE_CHARS.replace(" ", "").replace("\t", "")
LINE_ENDS = ["\n", "\r\n", "\r"]


def case_variant(rng, name):
    return "".join(c.upper() if rng.random() < 0.5 else c.lower() for c in name)


def random_value(rng):
    n = rng.choice([0, 1, 2, 5, 12, 30])
    if n == 0:
        return ""
    inner = "".join(rng.choice(VALUE_CHARS) for _ in range(n))
    return rng.choice(EDGE_CHARS) + inner + rng.choice(EDGE_CHARS)


def blanks(rng):
    return rng.choice(["", "", " ", "  ", "\t", " \t "])


class Text:
    """A generated INI text and the key lines it holds, in order."""

    def __init__(self):
        self.lines = []  # (line text, line end)
        self.keys = []   # (line index, section as written, key as written)


def generate(rng):
    text = Text()
    section = None
    mode = rng.choice(["one", "one", "mixed"])
    fixed_end = rng.choice(LINE_ENDS)

    def add(line, key=None):
        end = fixed_end if mode == "one" else rng.choice(LINE_ENDS)
        if key is not None:
            text.keys.append((len(text.lines), section, key))
        text.lines.append((line, end))

    for _ in range(rng.randint(0, 2)):  # before the first header: comments and blanks only
        add(rng.choice(["", "; " + random_value(rng), blanks(rng)]))
    for _ in range(rng.randint(1, 6)):
        section = case_variant(rng, rng.choice(SECTION_NAMES))
        add("[" + section + "]" + blanks(rng))
        for _ in range(rng.randint(0, 8)):
            kind = rng.random()
            if kind < 0.7:
                key = case_variant(rng, rng.choice(KEY_NAMES))
                add(key + blanks(rng) + "=" + blanks(rng) + random_value(rng) + blanks(rng), key)
            elif kind < 0.8:
                add(blanks(rng) + ";" + random_value(rng))
            elif kind < 0.9:
                add(blanks(rng))
            elif kind < 0.95:
                add("no equals sign here")  # neither reader makes a key of it
            else:
                add(blanks(rng).lstrip() + "=" + random_value(rng))  # no name: ignored by ours
    if rng.random() < 0.5:
        text.lines[-1] = (text.lines[-1][0], "")  # the last line without its end
    return text


def joined(text, upto=None):
    lines = text.lines if upto is None else text.lines[:upto + 1]
    return "".join(line + end for line, end in lines)


def configparser_read(source):
    parser = configparser.ConfigParser(strict=False, interpolation=None, delimiters=("=",),
                                       comment_prefixes=(";",), inline_comment_prefixes=None,
                                       default_section="\0none")
    try:
        # Universal newlines: CR, LF and CR LF all end a line, as in ours.
        parser.read_file(io.StringIO(source, newline=None))
    except configparser.ParsingError:
        pass  # lines without "=" or without a name; the rest is read
    return {name: {k: v for k, v in parser[name].items() if k != ""} for name in parser.sections()}


def hexed(s):
    return s.encode("latin-1").hex() or "_"


def unhexed(word):
    return "" if word == "_" else bytes.fromhex(word).decode("latin-1")


def our_read(dump, path, lookups):
    stdin = "".join(hexed(s) + " " + hexed(k) + "\n" for s, k in lookups)
    out = subprocess.run([dump, path], input=stdin.encode(), capture_output=True, check=True).stdout.decode()
    lines = out.split("\n")
    end = lines.index(".")
    sections = []
    for line in lines[:end]:
        parts = line.split(" ")
        if parts[0] == "S":
            sections.append((unhexed(parts[1]), []))
        else:
            sections[-1][1].append((unhexed(parts[1]), unhexed(parts[2])))
    answers = [None if a == "-" else unhexed(a[2:]) for a in lines[end + 1:end + 1 + len(lookups)]]
    return sections, answers


def fold(name):
    return name.upper()


def check(text, dump, path, rng, stats):
    """The list of differences for one text; `stats` counts what was compared."""
    source = joined(text)
    with open(path, "wb") as f:
        f.write(source.encode("latin-1"))
    ref = configparser_read(source)

    # What our reader must give, from configparser's reading: sections that
    # differ only in case merged, each key's first line counting.
    expected_sections = []  # (name as first written, {folded key: (key as first written, value)})
    by_fold = {}
    for name in ref:
        if fold(name) not in by_fold:
            by_fold[fold(name)] = len(expected_sections)
            expected_sections.append((name, {}))
    first_line = {}
    for index, section, key in text.keys:
        first_line.setdefault((fold(section), key.lower()), (index, section, key))
    for (folded, lowered), (index, section, key) in first_line.items():
        spelled = ref
        if sum(1 for _, s, k in text.keys if fold(s) == folded and k.lower() == lowered) > 1:
            spelled = configparser_read(joined(text, index))  # the text up to the key's first line
            stats["repeated keys"] += 1
        expected_sections[by_fold[folded]][1][lowered] = (key, spelled[section][lowered])

    lookups, wanted = [], []
    for name, keys in expected_sections:
        for lowered, (key, value) in keys.items():
            lookups.append((case_variant(rng, name), case_variant(rng, key)))
            wanted.append(value)
        lookups.append((case_variant(rng, name), "absent key"))
        wanted.append(None)
    lookups.append(("absent section", "k"))
    wanted.append(None)

    sections, answers = our_read(dump, path, lookups)
    stats["keys"] += len(first_line)
    stats["lookups"] += len(lookups)
    stats["sections differing in case only"] += sum(1 for name, _ in expected_sections
                                                    if sum(1 for s in ref if fold(s) == fold(name)) > 1)
    faults = []
    if [n for n, _ in sections] != [n for n, _ in expected_sections]:
        faults.append("sections: ours %r, configparser %r" % ([n for n, _ in sections],
                                                              [n for n, _ in expected_sections]))
        return faults
    for (name, keys), (_, want) in zip(sections, expected_sections):
        got = {k.lower(): (k, v) for k, v in keys}
        if got != want:
            faults.append("[%s]: ours %r, configparser %r" % (name, got, want))
        # Key order is configparser's only where one spelling of the section is used.
        spellings = [s for s in ref if fold(s) == fold(name)]
        if len(spellings) == 1 and [k.lower() for k, _ in keys] != list(ref[name]):
            faults.append("[%s] key order: ours %r, configparser %r" % (name, [k for k, _ in keys], list(ref[name])))
    for (section, key), value, answer in zip(lookups, wanted, answers):
        if value != answer:
            faults.append("lookup [%s] %s: ours %r, expected %r" % (section, key, answer, value))
    return faults


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    dump = sys.argv[1]
    count = BASE_TEXTS * int(os.environ.get("KESTRO_DIFF_CASES", "1"))
    failed = 0
    stats = {"keys": 0, "repeated keys": 0, "sections differing in case only": 0, "lookups": 0}
    with tempfile.TemporaryDirectory(prefix="kestro-ini-diff-") as tmp:
        path = os.path.join(tmp, "settings.ini")
        for seed in range(count):
            rng = random.Random(seed)
            text = generate(rng)
            faults = check(text, dump, path, rng, stats)
            if faults:
                failed += 1
                if failed <= 5:
                    print("text %d differs:\n%r" % (seed, joined(text)))
                    for fault in faults[:10]:
                        print("  " + fault)
    print("compared: " + ", ".join("%d %s" % (n, what) for what, n in stats.items()))
    print("%d passed, %d failed" % (count - failed, failed))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
