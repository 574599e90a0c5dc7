#!/usr/bin/env python3
"""Writes tests/detect/short/<code>.txt: one-to-three-word selections per Latin-script language.

Half are headwords of Debian's freedict dictionaries (what a reader looks up), half are runs of
one to three words cut from the sentences under tests/detect/detection (what a reader selects
in running text). Neither is a word list the detector reads, so the set measures it fairly.
Deterministic: the same dictionaries give the same file.
"""
import pathlib
import re

ROOT = pathlib.Path(__file__).resolve().parents[2]
DICTD = pathlib.Path("/usr/share/dictd")
FREEDICT = {"en": "eng-deu", "fr": "fra-eng", "de": "deu-eng", "es": "spa-eng",
            "it": "ita-eng", "nl": "nld-eng", "pt": "por-eng"}
PER_SOURCE = 120
WORD = re.compile(r"[^\W\d_]+(?:['’][^\W\d_]+)*")


def headwords(pair):
    words = []
    for line in (DICTD / f"freedict-{pair}.index").read_text(encoding="utf-8").splitlines():
        head = line.split("\t")[0].strip()
        if head.startswith("00database") or len(head) < 3:
            continue
        tokens = head.split()
        if 1 <= len(tokens) <= 3 and all(WORD.fullmatch(t) for t in tokens):
            words.append(head)
    words = sorted(set(words))
    step = max(1, len(words) // PER_SOURCE)
    return words[step // 2::step][:PER_SOURCE]


def spans(code):
    sentences = (ROOT / "tests/detect/detection" / f"{code}.txt").read_text(encoding="utf-8").splitlines()
    found = []
    for round_ in range(10):
        for number, sentence in enumerate(sentences):
            tokens = WORD.findall(sentence)
            if not tokens:
                continue
            length = 1 + (number + round_) % 3
            start = (number * 7 + round_ * 5) % max(1, len(tokens) - length + 1)
            span = " ".join(tokens[start:start + length])
            if span not in found:
                found.append(span)
            if len(found) == PER_SOURCE:
                return found
    return found


def main():
    folder = ROOT / "tests/detect/short"
    folder.mkdir(exist_ok=True)
    for code, pair in FREEDICT.items():
        lines = headwords(pair) + spans(code)
        (folder / f"{code}.txt").write_text("\n".join(lines) + "\n", encoding="utf-8")
        print(code, len(lines))


if __name__ == "__main__":
    main()
