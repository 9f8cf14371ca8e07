#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Checks of the installed documents that their own tools do not make.

  package_docs.py copyright SOURCE_DIR COPYRIGHT_FILE
      The machine-readable copyright file: its format line, a licence text for
      every licence it names, no Files pattern that matches nothing in the
      sources, and every file of the sources that is not text (an image, a
      font, a sound, a score) named by a paragraph of its own, not only by
      "Files: *": such files are the ones that come from elsewhere.

  package_docs.py releases CHANGELOG_GZ METAINFO VERSION
      One release history: the changelog's versions are the metadata's
      releases, each release with its date and notes in English and Chinese
      (zh_CN), and the newest is VERSION, the version the programs print.

  package_docs.py same-words EN_PAGE ZH_PAGE
      Two formatted manual pages (plain text) name the same options, files
      and web addresses: the Chinese page says what the English one says.

Prints what is wrong and exits 1, or exits 0 silently.
"""
import email.utils
import fnmatch
import gzip
import os
import re
import subprocess
import sys
import xml.etree.ElementTree as ET

XML_LANG = "{http://www.w3.org/XML/1998/namespace}lang"


def paragraphs(text):
    """The paragraphs of a Debian control-style file, as dicts of field -> value."""
    result = []
    for block in re.split(r"\n\s*\n", text.strip("\n")):
        fields = {}
        name = None
        for line in block.split("\n"):
            if line[:1] in (" ", "\t") and name:
                fields[name] += "\n" + line[1:]
            else:
                name, _, value = line.partition(":")
                fields[name] = value.strip()
        result.append(fields)
    return result


def source_files(source_dir):
    for top, dirs, files in os.walk(source_dir):
        dirs[:] = [d for d in dirs if not (top == source_dir and d in (".git", "build"))]
        for f in files:
            yield os.path.relpath(os.path.join(top, f), source_dir)


def is_text(path):
    with open(path, "rb") as f:
        data = f.read()
    return b"\0" not in data and not data.startswith(b"\x89PNG")


def check_copyright(source_dir, copyright_path):
    with open(copyright_path, encoding="utf-8") as f:
        text = f.read()
    problems = []
    paras = paragraphs(text)
    if paras[0].get("Format") != "https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/":
        problems.append("the first paragraph is not a DEP-5 header: %r" % paras[0].get("Format"))
    files_paras = [p for p in paras[1:] if "Files" in p]
    licence_texts = {p["License"].partition("\n")[0] for p in paras[1:] if "Files" not in p and "License" in p}
    files = sorted(source_files(source_dir))
    for p in files_paras:
        if not p.get("Copyright"):
            problems.append("Files: %s has no Copyright" % p["Files"])
        short, _, body = p.get("License", "").partition("\n")
        if not short:
            problems.append("Files: %s has no License" % p["Files"])
        elif not body.strip() and short not in licence_texts:
            problems.append("License %s of Files: %s has no text of its own" % (short, p["Files"]))
        for pattern in p["Files"].split():
            if not any(fnmatch.fnmatchcase(f, pattern) for f in files):
                problems.append("Files: %s matches no file of the sources" % pattern)
    specific = [pattern for p in files_paras for pattern in p["Files"].split() if pattern != "*"]
    for f in files:
        if not is_text(os.path.join(source_dir, f)):
            if not any(fnmatch.fnmatchcase(f, pattern) for pattern in specific):
                problems.append("%s is not text and has no Files paragraph of its own" % f)
    return problems


def check_releases(changelog_path, metainfo_path, version):
    with gzip.open(changelog_path, "rt", encoding="utf-8") as f:
        changelog = f.read()
    out = subprocess.run(["dpkg-parsechangelog", "-l", "-", "--all", "-S", "Version"],
                         input=changelog, capture_output=True, text=True, check=True).stdout
    versions = out.split()
    dates = {}
    for m in re.finditer(r"^kelodi \(([^)]+)\).*?^ -- .+?>  (.+)$", changelog, re.M | re.S):
        when = email.utils.parsedate_to_datetime(m.group(2))
        dates[m.group(1)] = when.date().isoformat()
    problems = []
    if not versions or versions[0] != version:
        problems.append("the newest changelog entry is %s, the programs say %s" % (versions[:1], version))
    releases = ET.parse(metainfo_path).getroot().findall("releases/release")
    released = [r.get("version") for r in releases]
    if released != versions:
        problems.append("the metadata's releases %s are not the changelog's %s" % (released, versions))
    for r in releases:
        v = r.get("version")
        if v in dates and r.get("date") != dates[v]:
            problems.append("release %s is dated %s in the metadata, %s in the changelog" % (v, r.get("date"), dates[v]))
        langs = {p.get(XML_LANG) for p in r.findall("description/p") if (p.text or "").strip()}
        if langs != {None, "zh_CN"}:
            problems.append("release %s has notes in %s, not in English and zh_CN" % (v, sorted(map(str, langs))))
    return problems


WORD = re.compile(r"(--[a-z][a-z-]*|https?://[\x21-\x7e]+|(?:~|\$XDG_DATA_HOME|/usr)/[\x21-\x7e\u4e00-\u9fff]*)")


def words(page):
    with open(page, encoding="utf-8") as f:
        text = f.read()
    return {w.rstrip(".,;:)") for w in WORD.findall(text)}


def check_same_words(en_page, zh_page):
    en, zh = words(en_page), words(zh_page)
    problems = []
    if en - zh:
        problems.append("only in %s: %s" % (en_page, " ".join(sorted(en - zh))))
    if zh - en:
        problems.append("only in %s: %s" % (zh_page, " ".join(sorted(zh - en))))
    return problems


def main(argv):
    checks = {"copyright": check_copyright, "releases": check_releases, "same-words": check_same_words}
    if len(argv) < 2 or argv[1] not in checks:
        print(__doc__, file=sys.stderr)
        return 2
    problems = checks[argv[1]](*argv[2:])
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
