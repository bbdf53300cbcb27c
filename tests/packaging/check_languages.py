#!/usr/bin/env python3
"""Checks that the desktop entry and the AppStream metadata speak every language of the
program's users: each text field in each language, in that language's script, the
words a menu search uses, and summaries short enough for software centres.

Usage: check_languages.py DESKTOP_ENTRY METAINFO
"""

import re
import sys
import xml.etree.ElementTree as ET

HAN = r"\u3400-\u9fff"
KANA = r"\u3040-\u30ff"
HANGUL = r"\uac00-\ud7a3"
# Each language: the script its texts are written in, and the words for strokes and
# characters that a search in its menus and stores must find.
LANGUAGES = {
    "en": (f"^[^{HAN}{KANA}{HANGUL}]*$", ["stroke", "Chinese"]),
    "zh_CN": (f"[{HAN}]", ["笔画", "笔划", "汉字"]),
    "zh_TW": (f"[{HAN}]", ["筆畫", "筆劃", "漢字"]),
    "zh_HK": (f"[{HAN}]", ["筆畫", "筆劃", "漢字"]),
    "ja": (f"[{KANA}]|[{HAN}]", ["画数", "字画", "漢字"]),
    "ko": (f"[{HANGUL}]", ["획수", "한자"]),
}
DESKTOP_FIELDS = ["Name", "GenericName", "Comment", "Keywords"]
# Locales without lines of their own, and the language whose lines a desktop must show them:
# English for a locale the entry does not speak, and the script a Chinese region writes.
FALLBACKS = {"C": "en", "de_DE": "en", "fr_FR": "en", "zh_SG": "zh_CN", "zh_MO": "zh_HK"}
# The name is the same Latin word everywhere: it is not held to a script.
SCRIPTLESS = {"Name", "name"}
SUMMARY_LIMIT = 35  # what software centres show (Flathub's quality guidelines)
XML_LANG = "{http://www.w3.org/XML/1998/namespace}lang"

failures = []


def fail(message):
    failures.append(message)
    print(f"FAIL: {message}", file=sys.stderr)


def check_text(lang, field, where, text):
    if not text.strip():
        fail(f"{lang}: {where} is missing")
    elif field not in SCRIPTLESS and not re.search(LANGUAGES[lang][0], text):
        fail(f"{lang}: {where} is not written in the language's script: {text!r}")


def desktop_entry(path):
    entry, group = {}, None
    with open(path, encoding="utf-8") as lines:
        for line in lines:
            line = line.rstrip("\n")
            if line.startswith("["):
                group = line
            elif group == "[Desktop Entry]" and "=" in line:
                key, value = line.split("=", 1)
                entry[key] = value
    return entry


def localized(entry, field, locale):
    """The value a desktop shows for `locale` (lang_COUNTRY, C, ...), as the Desktop Entry
    rules match it: Key[lang_COUNTRY], then Key[lang], then the untagged Key."""
    lang, _, country = locale.partition("_")
    for key in (f"{field}[{lang}_{country}]" if country else None, f"{field}[{lang}]", field):
        if key in entry:
            return key, entry[key]
    return field, ""


def check_desktop(path):
    entry = desktop_entry(path)
    for lang, (_, words) in LANGUAGES.items():
        for field in DESKTOP_FIELDS:
            key, value = localized(entry, field, lang)
            check_text(lang, field, f"desktop {key}", value)
        keywords = localized(entry, "Keywords", lang)[1].split(";")
        for word in words:
            if word not in keywords:
                fail(f"{lang}: desktop keywords lack {word}")
    # A locale without lines of its own shows the lines its language has, or the untagged
    # ones: these must be the language's own, not another's.
    for locale, lang in FALLBACKS.items():
        for field in DESKTOP_FIELDS:
            key, value = localized(entry, field, locale)
            wanted = localized(entry, field, lang)[1]
            if value != wanted:
                fail(f"{locale}: the desktop shows {key}={value!r}, not {lang}'s {wanted!r}")


def texts(elements, lang):
    wanted = None if lang == "en" else lang
    return [" ".join("".join(e.itertext()).split())
            for e in elements if e.get(XML_LANG) == wanted]


def localized_texts(elements, locale):
    """The texts a software centre shows for `locale`, matched as for the desktop entry:
    lang_COUNTRY, then lang, then the untagged (English) ones."""
    lang = locale.partition("_")[0]
    for tag in (locale, lang):
        found = [e for e in elements if e.get(XML_LANG) == tag]
        if found:
            return texts(found, tag)
    return texts(elements, "en")


def check_metainfo(path):
    root = ET.parse(path).getroot()
    for locale, lang in FALLBACKS.items():
        for field in ("name", "summary", "description/p", "keywords/keyword"):
            shown = localized_texts(root.findall(field), locale)
            wanted = localized_texts(root.findall(field), lang)
            if shown != wanted:
                fail(f"{locale}: metainfo {field} shows {shown}, not {lang}'s {wanted}")
    paragraphs = len(texts(root.findall("description/p"), "en"))
    screenshots = root.findall("screenshots/screenshot")
    for lang, (_, words) in LANGUAGES.items():
        fields = {
            "name": texts(root.findall("name"), lang),
            "summary": texts(root.findall("summary"), lang),
            "description": texts(root.findall("description/p"), lang),
            "keywords": texts(root.findall("keywords/keyword"), lang),
        }
        for number, screenshot in enumerate(screenshots, 1):
            captions = texts(screenshot.findall("caption"), lang)
            fields[f"caption of screenshot {number}"] = captions
        for field, values in fields.items():
            if not values:
                fail(f"{lang}: metainfo {field} is missing")
            for value in values:
                check_text(lang, field, f"metainfo {field}", value)
        # A paragraph added in English and not translated would be lost to this language.
        translated = len(fields["description"])
        if translated != paragraphs:
            fail(f"{lang}: {translated} description paragraphs, English has {paragraphs}")
        for summary in fields["summary"]:
            print(f"{lang}: summary of {len(summary)} characters: {summary}")
            if len(summary) > SUMMARY_LIMIT:
                fail(f"{lang}: summary over {SUMMARY_LIMIT} characters: {summary}")
        for word in words:
            if word not in fields["keywords"]:
                fail(f"{lang}: metainfo keywords lack {word}")
    if not screenshots:
        fail("metainfo has no screenshot")


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip().splitlines()[-1])
    check_desktop(sys.argv[1])
    check_metainfo(sys.argv[2])
    if failures:
        sys.exit(f"{len(failures)} check(s) failed")
    print(f"all checks passed: {', '.join(LANGUAGES)} in every field")


if __name__ == "__main__":
    main()
