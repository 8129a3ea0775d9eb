"""The code blocks of the README, so that tests run exactly what it shows."""
import re


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
