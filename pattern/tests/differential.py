#!/usr/bin/env python3
# Differential test of the pattern engine against Python's re in bytes mode:
# generates patterns and texts from a fixed seed, in the subset where both
# engines agree, runs them through the engine's driver (first argument) and
# compares match or not and every group's span.
import random
import re
import subprocess
import sys

SEED = 20240611
PATTERNS = 3000
TEXTS_PER_PATTERN = 10
ALPHABET = b"abc_ 1-\n"
HAVE_ATOMIC = sys.version_info >= (3, 11)  # atomic groups and possessive repeats


class Node:
    """One generated construct: our spelling, Python's spelling, and what the
    generator may build around it."""

    def __init__(self, ours, python, one_way, width, nonempty, groups=0, looks=False):
        self.ours = ours          # the engine's pattern text
        self.python = python      # the same for Python's re
        self.one_way = one_way    # matches in at most one way at a position
        self.width = width        # fixed width, or None
        self.nonempty = nonempty  # never matches the empty string
        self.groups = groups      # capture groups it holds
        self.looks = looks        # holds a lookaround


# The engine's flag bits and Python's flags for the same.
FLAGS = [(0, 0), (0x08, re.IGNORECASE), (0x02, re.MULTILINE), (0x01, re.DOTALL),
         (0x0b, re.IGNORECASE | re.MULTILINE | re.DOTALL)]


class Generator:
    def __init__(self, rng, multi_line):
        self.rng = rng
        self.multi_line = multi_line
        self.group_count = 0
        self.closed = []  # groups closed so far, in pattern order

    def char(self):
        c = self.rng.choice("abc_ 1-")
        return Node(c, c, True, 1, True)

    def byte_class(self):
        text = self.rng.choice(["[ab]", "[^a]", "[a-c]", "[^\\n]", "\\d", "\\w", "\\W", "\\s",
                                "\\S", ".", "[_1-]", "[\\d_]", "[^\\s]"])
        return Node(text, text, True, 1, True)

    def anchor(self):
        # Outside multi-line mode the engine's "$" is the very end, re's "\Z".
        end = "$" if self.multi_line else "\\Z"
        ours, python = self.rng.choice([("^", "^"), ("\\A", "\\A"), ("$", end), ("\\z", "\\Z"),
                                        ("\\b", "\\b"), ("\\B", "\\B")])
        return Node(ours, python, True, 0, False)

    def back_reference(self):
        number = self.rng.choice(self.closed)
        text = "(?:\\%d)" % number  # the group keeps a following digit out of the number
        return Node(text, text, True, None, False)

    def atom(self, depth, in_lookbehind):
        roll = self.rng.random()
        if depth <= 0 or roll < 0.35:
            return self.char()
        if roll < 0.55:
            return self.byte_class()
        if roll < 0.62 and not in_lookbehind:
            return self.anchor()
        if roll < 0.68 and self.closed and not in_lookbehind:
            return self.back_reference()
        if roll < 0.82:
            return self.group(depth - 1, in_lookbehind)
        if in_lookbehind:
            return self.char()
        if roll < 0.9 and self.closed:
            return self.condition(depth - 1)
        return self.assertion(depth - 1)

    def condition(self, depth):
        number = self.rng.choice(self.closed)
        yes = self.sequence(depth, False)
        no = self.sequence(depth, False)
        ours = "(?(%d)%s|%s)" % (number, yes.ours, no.ours)
        python = "(?(%d)%s|%s)" % (number, yes.python, no.python)
        width = yes.width if yes.width == no.width else None
        return Node(ours, python, yes.one_way and no.one_way, width, yes.nonempty and no.nonempty,
                    yes.groups + no.groups, yes.looks or no.looks)

    def group(self, depth, in_lookbehind):
        kind = self.rng.choice(["capture", "capture", "plain", "atomic" if HAVE_ATOMIC else "plain",
                                "ignore case"])
        if kind == "capture":
            self.group_count += 1
            number = self.group_count
            body = self.alternation(depth, in_lookbehind)
            self.closed.append(number)
            return Node("(%s)" % body.ours, "(%s)" % body.python, body.one_way, body.width,
                        body.nonempty, body.groups + 1, body.looks)
        if kind == "ignore case":
            # Literals and classes only, so that both engines fold ASCII alike.
            body = self.sequence_of(lambda: self.char() if self.rng.random() < 0.6
                                    else self.byte_class(), self.rng.randint(1, 3))
            return Node("(?i:%s)" % body.ours, "(?i:%s)" % body.python, True, body.width, True)
        body = self.alternation(depth, in_lookbehind)
        if kind == "atomic":
            return Node("(?>%s)" % body.ours, "(?>%s)" % body.python, True, body.width,
                        body.nonempty, body.groups, body.looks)
        return Node("(?:%s)" % body.ours, "(?:%s)" % body.python, body.one_way, body.width,
                    body.nonempty, body.groups, body.looks)

    def assertion(self, depth):
        kind = self.rng.choice(["(?=", "(?!", "(?<=", "(?<!"])
        if kind in ("(?<=", "(?<!"):
            # Python wants a fixed width behind; single bytes and groups of them.
            body = self.sequence_of(lambda: self.lookbehind_item(depth), self.rng.randint(1, 3))
        else:
            body = self.alternation(depth, False)
        return Node(kind + body.ours + ")", kind + body.python + ")", True, 0, False, body.groups,
                    True)

    def lookbehind_item(self, depth):
        roll = self.rng.random()
        if roll < 0.45 or depth <= 0:
            return self.char()
        if roll < 0.8:
            return self.byte_class()
        self.group_count += 1
        number = self.group_count
        inner = self.sequence_of(lambda: self.char() if self.rng.random() < 0.5
                                 else self.byte_class(), self.rng.randint(1, 2))
        self.closed.append(number)
        return Node("(%s)" % inner.ours, "(%s)" % inner.python, True, inner.width, True, 1)

    def quantified(self, depth, in_lookbehind):
        node = self.atom(depth, in_lookbehind)
        if in_lookbehind or not (node.one_way and node.nonempty) or self.rng.random() < 0.55:
            return node
        # Only bodies that match one way and never empty are repeated, where
        # the engine's greedy rule and the empty-instance guard agree with re.
        low = self.rng.randint(0, 2)
        high = low + self.rng.randint(1, 3)
        quantifier, minimum = self.rng.choice([("*", 0), ("+", 1), ("?", 0), ("{%d}" % low, low),
                                               ("{%d,%d}" % (low, high), low), ("{%d,}" % low, low)])
        # Python 3.11.2 mis-matches possessive repeats of bodies with lookarounds.
        possessive = HAVE_ATOMIC and not node.looks
        mode = self.rng.choice(["", "", "?", "+" if possessive else ""])
        if quantifier.startswith("{%d}" % low) and "," not in quantifier:
            mode = ""
        text_ours = node.ours + quantifier + mode
        text_python = node.python + quantifier + mode
        return Node(text_ours, text_python, mode == "+", None, minimum > 0, node.groups, node.looks)

    def sequence_of(self, make, count):
        items = [make() for _ in range(count)]
        width = 0
        for item in items:
            width = None if width is None or item.width is None else width + item.width
        return Node("".join(i.ours for i in items), "".join(i.python for i in items),
                    all(i.one_way for i in items), width, any(i.nonempty for i in items),
                    sum(i.groups for i in items), any(i.looks for i in items))

    def sequence(self, depth, in_lookbehind):
        return self.sequence_of(lambda: self.quantified(depth, in_lookbehind),
                                self.rng.randint(1, 4))

    def alternation(self, depth, in_lookbehind):
        if in_lookbehind or self.rng.random() < 0.7:
            return self.sequence(depth, in_lookbehind)
        branches = [self.sequence(depth, False) for _ in range(self.rng.randint(2, 3))]
        return Node("|".join(b.ours for b in branches), "|".join(b.python for b in branches),
                    False, None, all(b.nonempty for b in branches), sum(b.groups for b in branches),
                    any(b.looks for b in branches))


def random_text(rng, minimum):
    return bytes(rng.choice(ALPHABET) for _ in range(rng.randint(minimum, 12)))


def main():
    if len(sys.argv) != 2:
        print("usage: differential.py <driver>", file=sys.stderr)
        return 2
    rng = random.Random(SEED)
    cases = []
    while len(cases) < PATTERNS * TEXTS_PER_PATTERN:
        flags, python_flags = FLAGS[0] if rng.random() < 0.6 else rng.choice(FLAGS)
        generator = Generator(rng, bool(flags & 0x02))
        node = generator.alternation(3, False)
        try:
            compiled = re.compile(node.python.encode(), python_flags)
        except re.error:
            continue
        # Python's \B never matches in an empty text; the engine's does.
        minimum = 1 if "\\B" in node.python else 0
        for _ in range(TEXTS_PER_PATTERN):
            text = random_text(rng, minimum)
            match = compiled.search(text)
            expected = "none"
            if match:
                expected = " ".join("%d %d" % match.span(k) for k in range(compiled.groups + 1))
            cases.append((flags, node.ours, text, expected))

    lines = "".join("%d %s %s\n" % (flags, ours.encode().hex() or "-", text.hex() or "-")
                    for flags, ours, text, _ in cases)
    run = subprocess.run([sys.argv[1]], input=lines.encode(), capture_output=True, check=True)
    answers = run.stdout.decode().splitlines()
    if len(answers) != len(cases):
        print("driver answered %d of %d cases" % (len(answers), len(cases)))
        return 1
    failures = 0
    for (flags, ours, text, expected), answer in zip(cases, answers):
        if answer.strip() != expected:
            failures += 1
            if failures <= 20:
                print("flags %#x pattern %r text %r: re %s, engine %s"
                      % (flags, ours, text, expected, answer.strip()))
    matched = sum(1 for case in cases if case[3] != "none")
    print("%d cases (%d matching), %d differences" % (len(cases), matched, failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
