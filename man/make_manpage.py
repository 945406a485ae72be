#!/usr/bin/env python3
"""Writes one gzipped manual page from a hand-written source and, for a program with a command
line, the program's own --help, so that the page lists exactly the options the program takes.

    make_manpage.py --source man/norvane-dump.1.in --output norvane-dump.1.gz \\
        --version 5.0 --date 2026-12-10 [--program build/tools/dump/norvane-dump]

The source is roff from its first `.SH NAME` on (no .TH: this script writes it), with @VERSION@
where the version belongs. The help, in the layout the programs' CLI11 command lines print,
gives SYNOPSIS, the start of DESCRIPTION, COMMANDS, ARGUMENTS, OPTIONS, a section for each
headed table after the options (norvane-scene's kinds) and EXIT STATUS. A section the source
has too keeps the help's text first and the source's after it; a section only the help has
goes after the one the help gave before it."""

from __future__ import annotations

import argparse
import gzip
import re
import subprocess
import sys
from dataclasses import dataclass, field
from typing import Dict, List, Optional, Tuple

CONSTRAINTS = ("Excludes:", "Needs:")


@dataclass
class Item:
    term: str
    text: List[str] = field(default_factory=list)


@dataclass
class Group:
    heading: str
    items: List[Item] = field(default_factory=list)


@dataclass
class Command:
    name: str
    text: List[str] = field(default_factory=list)
    groups: List[Group] = field(default_factory=list)


@dataclass
class Help:
    description: List[List[str]] = field(default_factory=list)  # paragraphs
    usage: str = ""
    groups: List[Group] = field(default_factory=list)
    commands: List[Command] = field(default_factory=list)
    tables: List[Group] = field(default_factory=list)  # headed tables after the options
    notes: List[List[str]] = field(default_factory=list)  # plain paragraphs after the options
    exitStatus: List[str] = field(default_factory=list)


# ---- reading the help


def indentOf(line: str) -> int:
    return len(line) - len(line.lstrip(" "))


def splitTerm(text: str) -> Tuple[str, str]:
    """An item line is its term, two or more spaces, then its text (or the text comes on the
    lines below, further in)."""
    parts = re.split(r" {2,}", text.strip(), maxsplit=1)
    return parts[0], parts[1] if len(parts) > 1 else ""


def readItems(lines: List[str], i: int, indent: int, heading: str) -> Tuple[Group, int]:
    """The items of a group whose lines start at `indent`; deeper lines continue an item."""
    group = Group(heading)
    while i < len(lines) and lines[i].strip() and indentOf(lines[i]) >= indent:
        if indentOf(lines[i]) == indent:
            term, text = splitTerm(lines[i])
            group.items.append(Item(term, [text] if text else []))
        elif group.items:
            group.items[-1].text.append(lines[i].strip())
        i += 1
    return group, i


def isHeading(line: str, indent: int) -> bool:
    return indentOf(line) == indent and line.rstrip().endswith(":") and bool(line.strip()[:-1])


def isCommandName(lines: List[str], i: int) -> bool:
    """A subcommand's block starts with its name alone at the left, its text below, further in."""
    word = lines[i].strip()
    return (indentOf(lines[i]) == 0 and re.fullmatch(r"[A-Za-z][\w-]*", word) is not None
            and i + 1 < len(lines) and indentOf(lines[i + 1]) > 0)


def readCommand(lines: List[str], i: int) -> Tuple[Command, int]:
    command = Command(lines[i].strip())
    i += 1
    while i < len(lines) and lines[i].strip() and indentOf(lines[i]) > 0:
        if isHeading(lines[i], 2):
            group, i = readItems(lines, i + 1, 4, lines[i].strip()[:-1])
            command.groups.append(group)
        else:
            command.text.append(lines[i].strip())
            i += 1
    return command, i


def readCommands(lines: List[str], i: int) -> Tuple[List[Command], int]:
    commands: List[Command] = []
    while i < len(lines):
        if not lines[i].strip():
            i += 1
        elif isCommandName(lines, i):
            command, i = readCommand(lines, i)
            commands.append(command)
        else:
            break
    return commands, i


def readParagraph(lines: List[str], i: int) -> Tuple[List[str], int]:
    paragraph = [lines[i].strip()]
    i += 1
    while i < len(lines) and lines[i].strip() and not lines[i].startswith("Usage:"):
        paragraph.append(lines[i].strip())
        i += 1
    return paragraph, i


def readBody(help: Help, lines: List[str], i: int) -> None:
    """Everything after the usage line: groups of items, subcommands, then free text."""
    while i < len(lines):
        line = lines[i]
        if not line.strip():
            i += 1
        elif line.strip() == "Subcommands:":
            help.commands, i = readCommands(lines, i + 1)
        elif isHeading(line, 0) and i + 1 < len(lines) and indentOf(lines[i + 1]) > 0:
            group, i = readItems(lines, i + 1, indentOf(lines[i + 1]), line.strip()[:-1])
            isOptions = group.heading == "Positionals" or all(it.term.startswith("-") for it in group.items)
            (help.groups if isOptions else help.tables).append(group)
        else:
            paragraph, i = readParagraph(lines, i)
            if paragraph[0].startswith("Exit status:"):
                help.exitStatus = [paragraph[0][len("Exit status:"):].strip()] + paragraph[1:]
            else:
                help.notes.append(paragraph)


def readHelp(text: str, program: str) -> Help:
    help = Help()
    lines = text.expandtabs().rstrip("\n").split("\n")
    i = 0
    while i < len(lines) and not lines[i].startswith("Usage:"):
        if lines[i].strip():
            paragraph, i = readParagraph(lines, i)
            help.description.append(paragraph)
        else:
            i += 1
    if i == len(lines):
        raise ValueError(f"{program} --help has no Usage: line")
    help.usage = lines[i][len("Usage:"):].strip()
    readBody(help, lines, i + 1)
    first = help.description[0] if help.description else None
    if first and first[0].startswith(program + ": "):  # "norvane-view: draws ..." reads as a sentence
        rest = first[0][len(program) + 2:]
        first[0] = rest[:1].upper() + rest[1:]
    return help


# ---- writing roff


def escape(text: str) -> str:
    return text.replace("\\", "\\e").replace("-", "\\-")


def inline(text: str) -> str:
    """Running text: `code` in bold, everything else as it is."""
    parts = text.split("`")
    return "".join(f"\\fB{escape(p)}\\fR" if n % 2 else escape(p) for n, p in enumerate(parts))


def textLines(words: List[str]) -> List[str]:
    """Lines of running text, none of them taken for a request."""
    return ["\\&" + line if line.startswith((".", "'")) else line for line in (inline(w) for w in words)]


def optionTerm(term: str) -> Tuple[str, str]:
    """`-o,--output-dir DIR Excludes: --output` -> the names in bold and the value in italics,
    and the constraints as a note for the item's text: "(not with --output)"."""
    words = term.split()
    cut = next((n for n, w in enumerate(words) if w in CONSTRAINTS), len(words))
    names = ", ".join(f"\\fB{escape(name)}\\fR" for name in words[0].split(",") if name)
    value = " ".join(words[1:cut])
    notes, label, others = [], "", []
    for word in words[cut:] + ["Excludes:"]:
        if word in CONSTRAINTS:
            if others:
                joined = " or ".join([", ".join(others[:-1]), others[-1]] if len(others) > 1 else others)
                notes.append(("not with " if label == "Excludes:" else "needs ") + joined)
            label, others = word, []
        else:
            others.append(word)
    return names + (f" \\fI{escape(value)}\\fR" if value else ""), f"({'; '.join(notes)})" if notes else ""


def positionalTerm(term: str) -> str:
    """`FILE TEXT ... REQUIRED` -> the argument's name, with ... when it repeats."""
    words = term.split()
    return f"\\fI{escape(words[0])}\\fR" + (" ..." if "..." in words[1:] else "")


def itemLines(item: Item, positional: bool) -> List[str]:
    term, note = (positionalTerm(item.term), "") if positional else optionTerm(item.term)
    return [".TP", term] + textLines(item.text + ([note] if note else []))


def groupLines(group: Group, positional: bool) -> List[str]:
    out = []
    for item in group.items:
        out += itemLines(item, positional)
    return out


def tableLines(group: Group) -> List[str]:
    """A headed table of rows `term  cells...  text`: each row an item, its middle cells leading
    its text ("box  12, at most  12  one closed box" -> box: 12, at most 12: one closed box)."""
    out = textLines([group.heading + ":"])
    for item in group.items:
        cells = [c for c in re.split(r" {2,}", " ".join(item.text)) if c] if item.text else []
        if len(cells) > 1:
            cells = [" ".join(cells[:-1]) + ": " + cells[-1]]
        out += [".TP", f"\\fB{escape(item.term)}\\fR"] + textLines(cells)
    return out


def commandLines(command: Command) -> List[str]:
    arguments = [positionalTerm(it.term) for g in command.groups if g.heading == "Positionals" for it in g.items]
    out = [f'.SS "{escape(command.name)}{" " + " ".join(arguments) if arguments else ""}"']
    out += textLines(command.text)
    for group in command.groups:
        out += groupLines(group, group.heading == "Positionals")
    return out


def synopsisLines(help: Help, program: str) -> List[str]:
    usage = help.usage[len(program):] if help.usage.startswith(program + " ") else help.usage
    words = [f"\\fI{escape(w)}\\fR" if re.fullmatch(r"\w[\w.]*", w) else escape(w)
             for w in re.findall(r"[\[\]]|[^\s\[\]]+", usage)]
    return [".B " + escape(program), " ".join(words).replace("[ ", "[").replace(" ]", "]")]


def paragraphs(blocks: List[List[str]]) -> List[str]:
    out: List[str] = []
    for n, block in enumerate(blocks):
        out += ([".PP"] if n else []) + textLines(block)
    return out


def helpSections(help: Help, program: str) -> List[Tuple[str, List[str]]]:
    """The sections the help gives, in the order a page shows them."""
    sections = [("SYNOPSIS", synopsisLines(help, program)),
                ("DESCRIPTION", paragraphs(help.description + help.notes))]
    if help.commands:
        sections.append(("COMMANDS", [line for c in help.commands for line in commandLines(c)]))
    for group in help.groups:
        positional = group.heading == "Positionals"
        name = "ARGUMENTS" if positional else "OPTIONS" if group.heading == "Options" else group.heading.upper()
        sections.append((name, groupLines(group, positional)))
    for table in help.tables:
        sections.append((re.split(r"[(:]", table.heading)[0].strip().upper(), tableLines(table)))
    if help.exitStatus:
        sections.append(("EXIT STATUS", textLines(help.exitStatus)))
    return [(name, lines) for name, lines in sections if lines]


# ---- the hand-written source and the page


def readSource(text: str, version: str) -> List[Tuple[str, List[str]]]:
    """The source's sections in order: (name, lines after the .SH line)."""
    sections: List[Tuple[str, List[str]]] = []
    for line in text.replace("@VERSION@", version).split("\n"):
        if line.startswith(".SH "):
            sections.append((line[4:].strip().strip('"'), []))
        elif sections:
            sections[-1][1].append(line)
        elif line.strip() and not line.startswith('.\\"'):
            raise ValueError(f"text before the first .SH: {line}")
    return sections


def merge(source: List[Tuple[str, List[str]]], generated: List[Tuple[str, List[str]]]) -> List[Tuple[str, List[str]]]:
    page = [(name, list(lines)) for name, lines in source]
    names = [name for name, _ in page]
    after = names.index("NAME") if "NAME" in names else -1
    for name, lines in generated:
        if name in names:
            at = names.index(name)
            page[at][1][:0] = lines + ([".PP"] if any(s.strip() for s in page[at][1]) else [])
        else:
            at = after + 1
            page.insert(at, (name, lines))
            names.insert(at, name)
        after = at
    return page


def render(title: str, section: str, date: str, version: str, page: List[Tuple[str, List[str]]]) -> str:
    out = ['.\\" Generated by man/make_manpage.py from the program\'s --help and man/'
           f'{title}.{section}.in; edit those, not this.',
           f'.TH {escape(title.upper())} {section} {date} "Norvane {version}" "Norvane manual"']
    for name, lines in page:
        while lines and not lines[-1].strip():
            lines.pop()
        out.append(f'.SH "{name}"' if " " in name else f".SH {name}")
        out += lines
    return "\n".join(out) + "\n"


def programHelp(program: str) -> str:
    result = subprocess.run([program, "--help"], stdin=subprocess.DEVNULL, capture_output=True,
                            text=True, timeout=60, check=False)
    if result.returncode != 0:
        raise ValueError(f"{program} --help exited with {result.returncode}: {result.stderr.strip()}")
    return result.stdout


def main(argv: Optional[List[str]] = None) -> int:
    parser = argparse.ArgumentParser(description="Write a manual page from its source and a program's --help.")
    parser.add_argument("--source", required=True)
    parser.add_argument("--output", required=True, help="the page, gzipped")
    parser.add_argument("--version", required=True)
    parser.add_argument("--date", required=True)
    parser.add_argument("--program", help="the program whose --help gives the generated sections")
    args = parser.parse_args(argv)
    base = args.source.rsplit("/", 1)[-1]
    match = re.fullmatch(r"(.+)\.([1-9])\.in", base)
    if not match:
        parser.error(f"{base}: the source is NAME.SECTION.in")
    title, section = match.groups()
    try:
        with open(args.source, encoding="utf-8") as file:
            page = readSource(file.read(), args.version)
        if args.program:
            page = merge(page, helpSections(readHelp(programHelp(args.program), title), title))
    except (OSError, ValueError, subprocess.TimeoutExpired) as error:
        print(f"make_manpage.py: {error}", file=sys.stderr)
        return 1
    roff = render(title, section, args.date, args.version, page)
    # No name and no time in the gzip header, and the strongest compression: the same bytes
    # on every build, as Debian's tools want them.
    with open(args.output, "wb") as raw, gzip.GzipFile("", "wb", 9, raw, mtime=0) as out:
        out.write(roff.encode("utf-8"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
