#!/usr/bin/env python3
"""A stand-in for apt-get and dpkg (by the name it is called under), for the tests of
scripts/setup.sh: it records every call, keeps a pretend package database and fails on cue
(fake_dpkg_query.sh reads that database).
Its state is in the folder FAKE_APT_DIR: scenario.json (what fails), installed (one package a
line), archs, calls.jsonl (every call, with the contents of any preferences file it was given)."""
import json
import os
import re
import sys

STATE = os.environ["FAKE_APT_DIR"]


def path(name):
    return os.path.join(STATE, name)


def lines(name):
    try:
        with open(path(name)) as f:
            return f.read().split()
    except FileNotFoundError:
        return []


def add_lines(name, items):
    with open(path(name), "a") as f:
        f.writelines(item + "\n" for item in items)


with open(path("scenario.json")) as f:
    scenario = json.load(f)
tool = os.path.basename(sys.argv[0])
args = sys.argv[1:]
preferences = None
for i, a in enumerate(args[:-1]):
    if a == "-o" and args[i + 1].startswith("Dir::Etc::Preferences="):
        with open(args[i + 1].split("=", 1)[1]) as f:
            preferences = f.read()
with open(path("calls.jsonl"), "a") as f:
    f.write(json.dumps({"tool": tool, "args": args, "preferences": preferences}) + "\n")


def left_out(suite):
    """Whether the preferences keep every package off the suite."""
    return preferences is not None and re.search(
        r"Package: \*\nPin: release n=%s\nPin-Priority: -1" % re.escape(suite), preferences) is not None


def fail(message):
    print("E: " + message, file=sys.stderr)
    sys.exit(100)


if tool == "dpkg":
    if args == ["--print-foreign-architectures"]:
        print("\n".join(lines("archs")))
    elif args[:1] == ["--add-architecture"]:
        add_lines("archs", args[1:])
    sys.exit(0)

# apt-get
if "update" in args:
    count = len([c for c in open(path("calls.jsonl")) if '"update"' in c])
    if count <= scenario.get("update_failures", 0):
        for index in scenario.get("broken_indexes", []):
            print("E: Failed to fetch http://deb.debian.org/%s  File has unexpected size (374820 != 376004). "
                  "Mirror sync in progress? [IP: 203.0.113.80 80]" % index, file=sys.stderr)
        print("E: Some index files failed to download. They have been ignored, or old ones used instead.",
              file=sys.stderr)
        sys.exit(100)
    sys.exit(0)

packages = args[args.index("install") + 1:]
packages = [p for p in packages if not p.startswith("-")]
for rule in scenario.get("install_rules", []):
    applies = rule["package"] in packages
    if rule.get("unless_left_out"):
        applies = applies and not left_out(rule["unless_left_out"])
    if rule.get("only_with_preferences"):
        applies = applies and preferences is not None
    if applies:
        fail(rule["error"])
add_lines("installed", packages)
