"""Every ```pycon block of README.md runs as a doctest, in order, sharing
its names, so the README shows what the package prints."""

import doctest
import os
import pathlib
import re

import pytest

README = pathlib.Path(os.environ.get("KALVENOR_SOURCE_DIR", pathlib.Path(__file__).parents[2])) / "README.md"


def test_readme_examples_print_what_they_show(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)  # where the example saves its picture
    text = README.read_text(encoding="utf-8")
    blocks = [(text.count("\n", 0, m.start()) + 1, m.group(1)) for m in re.finditer(r"```pycon\n(.*?)```", text, re.S)]
    assert len(blocks) >= 3
    parser, runner, names = doctest.DocTestParser(), doctest.DocTestRunner(), {}
    for line, block in blocks:
        test = parser.get_doctest(block, names, f"README.md:{line}", str(README), line)
        runner.run(test, clear_globs=False)
        names = test.globs  # a copy, which the next block takes on
    assert runner.failures == 0 and (tmp_path / "heat-process.png").exists()
