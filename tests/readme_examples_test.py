#!/usr/bin/env python3
"""Runs the README's command-line examples as written and compares what they
print with what the README shows, so that the README cannot drift.

    readme_examples_test.py README.md CLI_DIR

Each ```console block is a transcript: a line "$ command" is run by bash and
the lines up to the next "$ " are what it prints (standard output and error
together). The exit status must be 0 unless the command's comment says
"exits N". Each ```sh block that runs kalvenor-cli and shows an echo's output
in its comment ("echo ...   # text") is run whole and must print those texts.
All run in one temporary folder, in order, with CLI_DIR first on PATH."""

import difflib
import os
import re
import subprocess
import sys
import tempfile

BLOCK = re.compile(r"^```(\w+)\n(.*?)^```$", re.MULTILINE | re.DOTALL)
EXITS = re.compile(r"#\s*exits (\d+)")
ECHO_COMMENT = re.compile(r"^\s*echo .*?\s#\s(.*)$")


def run(script, folder, env):
    result = subprocess.run(["bash", "-c", script], cwd=folder, env=env, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, text=True, timeout=60)
    return result.returncode, result.stdout


def console_commands(block):
    """(command, expected output) for each "$ " line of a transcript."""
    commands = []
    for line in block.splitlines():
        if line.startswith("$ "):
            commands.append([line[2:], []])
        elif commands:
            commands[-1][1].append(line)
        else:
            raise ValueError(f"output before any command: {line!r}")
    return [(command, "".join(l + "\n" for l in output)) for command, output in commands]


def differs(what, expected, actual):
    diff = difflib.unified_diff(expected.splitlines(True), actual.splitlines(True), "README", "printed")
    print(f"FAILED: {what}\n" + "".join(diff), end="\n")


def main():
    readme, cli_dir = sys.argv[1], os.path.abspath(sys.argv[2])
    with open(readme, encoding="utf-8") as f:
        text = f.read()
    env = dict(os.environ, PATH=cli_dir + os.pathsep + os.environ.get("PATH", ""), LC_ALL="C.UTF-8")
    failures = checked = 0
    with tempfile.TemporaryDirectory() as folder:
        for match in BLOCK.finditer(text):
            kind, block = match.group(1), match.group(2)
            if kind == "console":
                for command, expected in console_commands(block):
                    status = EXITS.search(command)
                    want = int(status.group(1)) if status else 0
                    got, printed = run(command, folder, env)
                    checked += 1
                    if printed != expected:
                        differs(f"$ {command}", expected, printed)
                        failures += 1
                    if got != want:
                        print(f"FAILED: $ {command}\n  exit status {got}, the README says {want}")
                        failures += 1
            elif kind == "sh" and "kalvenor-cli" in block:
                shown = [m.group(1) for m in map(ECHO_COMMENT.match, block.splitlines()) if m]
                if not shown:
                    continue
                got, printed = run(block, folder, env)
                checked += 1
                expected = "".join(s + "\n" for s in shown)
                if printed != expected or got != 0:
                    differs(f"the script\n{block}(exit status {got})", expected, printed)
                    failures += 1
    if checked == 0:
        print("FAILED: no command-line example found in " + readme)
        return 1
    print(f"{checked} examples run, {failures} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
