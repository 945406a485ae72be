#!/usr/bin/env python3
"""Writes the Debian changelog of Norvane's packages from CHANGELOG.md, so that the two never
disagree: one entry per released version, newest first, with the version's changes as its
items, gzipped for /usr/share/doc/PACKAGE/changelog.gz.

    debian_changelog.py CHANGELOG.md SOURCE "NAME <ADDRESS>" OUTPUT.gz

A release is a "## [VERSION] - YYYY-MM-DD" heading; Unreleased is left out. Under it, plain
lines become items of their own and each "### Group" becomes an item whose "- " entries are its
sub-items."""

from __future__ import annotations

import datetime
import email.utils
import gzip
import re
import sys
import textwrap
from dataclasses import dataclass, field
from typing import List, Optional, Tuple

RELEASE = re.compile(r"^## \[([^\]]+)\](?: - (\d{4}-\d{2}-\d{2}))?\s*$")


@dataclass
class Release:
    version: str
    date: datetime.date
    items: List[Tuple[str, List[str]]] = field(default_factory=list)  # (text, sub-items)


def plain(text: str) -> str:
    """Markdown to plain text: links keep their words, code loses its backquotes."""
    text = re.sub(r"\[([^\]]+)\]\([^)]*\)", r"\1", text)
    return " ".join(text.replace("`", "").split())


def addLine(release: Release, line: str) -> None:
    if line.startswith("### "):
        release.items.append((line[4:].strip() + ":", []))
    elif line.startswith("- ") and release.items and release.items[-1][0].endswith(":"):
        release.items[-1][1].append(line[2:].strip())
    elif line.startswith("  ") and release.items:
        text, subItems = release.items[-1]
        if subItems:
            subItems[-1] += " " + line.strip()
        else:
            release.items[-1] = (text + " " + line.strip(), subItems)
    elif line.startswith("- "):
        release.items.append((line[2:].strip(), []))
    elif line.strip():
        release.items.append((line.strip(), []))


def readReleases(text: str) -> List[Release]:
    releases: List[Release] = []
    current: Optional[Release] = None
    for line in text.split("\n"):
        match = RELEASE.match(line)
        if match:
            version, date = match.groups()
            current = Release(version, datetime.date.fromisoformat(date)) if date else None
            if current:
                releases.append(current)
        elif line.startswith("## "):
            current = None
        elif current:
            addLine(current, line)
    return releases


def wrapped(text: str, bullet: str) -> List[str]:
    """An item's lines within 79 columns, its further lines under its text; names with hyphens
    (python3-norvane-bsp) are never broken."""
    return textwrap.wrap(plain(text), 79, break_on_hyphens=False, initial_indent=bullet,
                         subsequent_indent=" " * len(bullet))


def entry(release: Release, source: str, maintainer: str) -> str:
    lines = [f"{source} ({release.version}) unstable; urgency=medium", ""]
    for text, subItems in release.items:
        lines += wrapped(text, "  * ")
        for sub in subItems:
            lines += wrapped(sub, "    - ")
    when = datetime.datetime.combine(release.date, datetime.time(), datetime.timezone.utc)
    lines += ["", f" -- {maintainer}  {email.utils.format_datetime(when)}", ""]
    return "\n".join(lines)


def main(argv: List[str]) -> int:
    if len(argv) != 5:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    _, changelog, source, maintainer, output = argv
    with open(changelog, encoding="utf-8") as file:
        releases = readReleases(file.read())
    if not releases:
        print(f"{changelog}: no released version", file=sys.stderr)
        return 1
    text = "\n".join(entry(release, source, maintainer) for release in releases)
    # No name and no time in the gzip header, and the strongest compression, as Debian's tools
    # write changelogs.
    with open(output, "wb") as raw, gzip.GzipFile("", "wb", 9, raw, mtime=0) as out:
        out.write(text.encode("utf-8"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
