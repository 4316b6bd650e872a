#!/usr/bin/env python3
"""Compares registry exports (`reg export`, REGEDIT4 or version 5 files in UTF-16 or UTF-8).

    regdiff.py diff BEFORE AFTER [--ignore REGEX]... [--allow-empty REGEX]...
        Prints every key and value added, removed or changed; exits 1 when there is any.
        Keys matching an --ignore pattern are left out, and so are added keys without values
        that match an --allow-empty pattern.
    regdiff.py added BEFORE AFTER [--under PREFIX]... [--exclude PREFIX]...
        Prints the keys and values AFTER has and BEFORE lacks, below the given key prefixes and
        not below the excluded ones, one "key | name = value" line each, sorted, keys and names
        in lower case.
    regdiff.py products EXPORT NAME
        Prints "DisplayName | DisplayVersion" of every installed product (Uninstall entries, both
        registry views) whose DisplayName starts with NAME.
"""

import argparse
import re
import sys


def read_text(path):
    with open(path, "rb") as f:
        data = f.read()
    if data.startswith(b"\xff\xfe"):
        return data[2:].decode("utf-16-le")
    return data.decode("utf-8-sig", errors="replace")


def parse(path):
    """{key in lower case: (key, {name in lower case: (name, value text)})}; the default value's
    name is "@"."""
    keys = {}
    current = None
    pending = ""
    for raw in read_text(path).splitlines():
        line = pending + raw.strip() if pending else raw.rstrip()
        if line.endswith("\\") and not line.startswith("["):
            pending = line[:-1]
            continue
        pending = ""
        if not line or line.startswith(";") or line.startswith("Windows Registry") or line == "REGEDIT4":
            continue
        if line.startswith("[") and line.endswith("]"):
            name = line[1:-1]
            current = keys.setdefault(name.lower(), (name, {}))[1]
            continue
        if current is None:
            continue
        match = re.match(r'^(@|"(?:[^"\\]|\\.)*")=(.*)$', line)
        if not match:
            continue
        value_name = "@" if match.group(1) == "@" else match.group(1)[1:-1].replace('\\"', '"').replace("\\\\", "\\")
        current[value_name.lower()] = (value_name, match.group(2).strip())
    return keys


def diff(args):
    before, after = parse(args.before), parse(args.after)
    ignore = [re.compile(pattern, re.IGNORECASE) for pattern in args.ignore]
    allow_empty = [re.compile(pattern, re.IGNORECASE) for pattern in args.allow_empty]
    lines = []

    def ignored(key):
        return any(pattern.search(key) for pattern in ignore)

    for lower in sorted(set(before) | set(after)):
        if lower not in after:
            if not ignored(before[lower][0]):
                lines.append(f"- [{before[lower][0]}]")
            continue
        if lower not in before:
            key, values = after[lower]
            if not values and any(pattern.search(key) for pattern in allow_empty):
                continue
            if not ignored(key):
                lines.append(f"+ [{after[lower][0]}]")
                for name, value in sorted(after[lower][1].values()):
                    lines.append(f"+   {name}={value}")
            continue
        if ignored(after[lower][0]):
            continue
        old, new = before[lower][1], after[lower][1]
        for name in sorted(set(old) | set(new)):
            if old.get(name) != new.get(name):
                lines.append(f"~ [{after[lower][0]}] {name}: {old.get(name, ('', '(none)'))[1]}"
                             f" -> {new.get(name, ('', '(none)'))[1]}")
    for line in lines:
        print(line)
    return 1 if lines else 0


def added(args):
    before, after = parse(args.before), parse(args.after)
    prefixes = [prefix.lower() for prefix in args.under]
    excluded = [prefix.lower() for prefix in args.exclude]

    def below(key, roots):
        return any(key == p or key.startswith(p + "\\") for p in roots)

    lines = []
    for lower, (key, values) in after.items():
        if (prefixes and not below(lower, prefixes)) or below(lower, excluded):
            continue
        old = before.get(lower, (key, {}))[1]
        if lower not in before:
            lines.append(f"{key.lower()} |")
        for name, (shown, value) in values.items():
            if old.get(name) != (shown, value):
                lines.append(f"{key.lower()} | {name} = {value}")
    for line in sorted(lines):
        print(line)
    return 0


def products(args):
    for lower, (key, values) in sorted(parse(args.export).items()):
        if not re.search(r"\\microsoft\\windows\\currentversion\\uninstall\\[^\\]+$", lower):
            continue
        name = values.get("displayname", ("", '""'))[1].strip('"')
        version = values.get("displayversion", ("", '""'))[1].strip('"')
        if name.startswith(args.name):
            print(f"{name} | {version}")
    return 0


def main():
    parser = argparse.ArgumentParser()
    sub = parser.add_subparsers(dest="command", required=True)
    d = sub.add_parser("diff")
    d.add_argument("before")
    d.add_argument("after")
    d.add_argument("--ignore", action="append", default=[])
    d.add_argument("--allow-empty", action="append", default=[])
    a = sub.add_parser("added")
    a.add_argument("before")
    a.add_argument("after")
    a.add_argument("--under", action="append", default=[])
    a.add_argument("--exclude", action="append", default=[])
    p = sub.add_parser("products")
    p.add_argument("export")
    p.add_argument("name")
    args = parser.parse_args()
    sys.exit({"diff": diff, "added": added, "products": products}[args.command](args))


if __name__ == "__main__":
    main()
