"""Shared by the Python test scripts: a record of checks that fail, and the
README's code blocks, so that tests run exactly what it shows."""
import re
import sys


class Checks:
    """check(ok, what) records `what` when not ok and returns ok;
    check.finish() reports and exits 1 when anything failed."""

    def __init__(self):
        self.failures = []

    def __call__(self, ok, what):
        if not ok:
            self.failures.append(what)
            print("FAIL", what)
        return ok

    def finish(self):
        print(f"{len(self.failures)} failed")
        sys.exit(1 if self.failures else 0)


def code_block(readme_path, heading, language):
    """The first ```language block after the line `heading`."""
    text = open(readme_path, encoding="utf-8").read()
    start = text.find("\n" + heading + "\n")
    if start < 0:
        raise SystemExit(f"no section {heading!r} in {readme_path}")
    found = re.search(r"^```" + re.escape(language) + r"\n(.*?)^```", text[start:], re.S | re.M)
    if found is None:
        raise SystemExit(f"no {language} block under {heading!r} in {readme_path}")
    return found.group(1)
