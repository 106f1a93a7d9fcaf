#!/usr/bin/python3
"""Writes COUNT texts made at random (seed SEED), each as it was written and as it is hard-wrapped
by Python's textwrap at a width from 60 to 80, for the reflow's properties: paragraphs, list items
with hanging indents, tables, headings (underlined, centred or plain), addresses, and paragraphs
that end with a short line and no blank line after it.  A line that stays a line of its own by
being short is more than 15 columns short of the width.  Each record: the width, then the two
texts, each as its length in bytes on a line of its own and its bytes.  Line ends are CR LF.
usage: make_wrapped_texts.py SEED COUNT OUT"""
import random
import sys
import textwrap

WORDS = ("the licence software work copy any other such terms notice person rights party "
         "distribute modify warranty provided without conditions source form object use "
         "permission granted hereby whether express implied including limited fitness "
         "purpose liability damages contract tort otherwise arising connection dealings "
         "Licensor Contributor Derivative Works patent trademark section agreement shall "
         "may must not all of in to for by with or and as is be an on that this "
         "redistribution binary documentation materials merchantability infringement "
         "jurisdiction termination acceptance indemnity «Übersetzung» café naïve").split()
MARKERS = ["{n}.", "{n})", "({n})", "({a})", "{a})", "{a}.", "({r})", "{r}.", "-", "*", "\u2022", "{n}.{m}"]
ROMAN = ["i", "ii", "iii", "iv", "v", "vi", "vii", "viii", "ix", "x", "xi", "xii"]


def sentence(rng, words):
    text = " ".join(rng.choice(WORDS) for _ in range(words))
    return text[0].upper() + text[1:] + rng.choice([".", ";", ","])


def paragraph(rng, least, most):
    words, parts = rng.randint(least, most), []
    while words > 0:
        n = min(words, rng.randint(4, 18))
        parts.append(sentence(rng, n))
        words -= n
    return " ".join(parts)


def wrap(text, width, indent="", hanging=""):
    return textwrap.wrap(text, width, initial_indent=indent, subsequent_indent=hanging,
                         break_long_words=False, break_on_hyphens=False)


def blocks(rng, width):
    """(written lines, wrapped lines, may a paragraph follow without a blank line) per block."""
    # The first is a paragraph long enough to show the wrap.
    text = paragraph(rng, 80, 160)
    yield [text], wrap(text, width)
    for _ in range(rng.randint(2, 9)):
        kind = rng.choice(["paragraph", "paragraph", "indented", "list", "table", "heading", "address"])
        if kind in ("paragraph", "indented"):
            indent = "" if kind == "paragraph" else " " * rng.choice([2, 3, 4, 6])
            first = indent + " " * rng.choice([0, 0, 2])  # a first-line indent, now and then
            text = paragraph(rng, 10, 90)
            yield [first + text], wrap(text, width, first, indent)
        elif kind == "list":
            style, indent = rng.choice(MARKERS), " " * rng.choice([0, 2, 3, 4])
            written, wrapped = [], []
            for k in range(rng.randint(2, 6)):
                mark = style.format(n=k + 1, m=rng.randint(1, 9), a="abcdefgh"[k], r=ROMAN[k])
                mark = mark.upper() if rng.random() < 0.2 and "(" not in mark else mark
                head = indent + mark + " "
                text = paragraph(rng, 3, 50)
                written.append(head + text)
                wrapped += wrap(text, width, head, " " * len(head))
            yield written, wrapped
        elif kind == "table":
            columns = rng.randint(2, 4)
            rows = [[rng.choice(WORDS).capitalize() for _ in range(columns)] for _ in range(rng.randint(2, 6))]
            sizes = [max(len(r[c]) for r in rows) + rng.randint(2, 5) for c in range(columns)]
            lines = ["".join(cell.ljust(sizes[c]) for c, cell in enumerate(r)).rstrip() for r in rows]
            yield lines, lines
        elif kind == "heading":
            text = " ".join(rng.choice(WORDS) for _ in range(rng.randint(1, 6))).title()
            how = rng.choice(["underlined", "double", "centred", "plain"])
            if how in ("underlined", "double"):
                lines = [text, ("-" if how == "underlined" else "=") * len(text)]
            elif how == "centred":
                lines = [text.center(width).rstrip()]
            else:
                lines = [text.upper()]
            yield lines, lines
        else:
            # Short lines, as an address's are: more than 15 columns short of the wrap.
            lines = []
            while len(lines) < rng.randint(2, 4):
                line = " ".join(rng.choice(WORDS) for _ in range(rng.randint(2, 4))).title()
                if len(line) < width - 15:
                    lines.append(line)
            yield lines, lines


def text(rng):
    width = rng.randint(60, 80)
    written, wrapped = [], []
    previous = None
    for w, h in blocks(rng, width):
        # A paragraph may follow a paragraph with no blank line between them when the first
        # ends short: at most 60% of the width.
        if previous and len(previous[-1]) <= width * 6 // 10 and len(w) == 1 and len(h) >= 1 \
                and not h[0].startswith(" ") and rng.random() < 0.3:
            pass
        elif written:
            written.append("")
            wrapped.append("")
        written += w
        wrapped += h
        previous = h if len(w) == 1 and len(h) > 1 else None
    return width, "\r\n".join(written) + "\r\n", "\r\n".join(wrapped) + "\r\n"


def main():
    seed, count, out = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
    rng = random.Random(seed)
    with open(out, "wb") as f:
        for _ in range(count):
            width, written, wrapped = text(rng)
            f.write(b"%d\n" % width)
            for t in (written, wrapped):
                data = t.encode("utf-8")
                f.write(b"%d\n" % len(data) + data)


if __name__ == "__main__":
    main()
