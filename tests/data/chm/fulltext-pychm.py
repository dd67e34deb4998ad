#!/usr/bin/python3
# Records what an independent reader of CHM full-text indexes, Debian's python3-chm (pychm),
# finds for words drawn from a help file's own pages, for the full-text tests to compare with.
# Usage: fulltext-pychm.py FILE.chm LABEL [WORDS [SEED [WORD...]]]   (WORDS default 200, SEED 17;
# the WORDs given are searched besides)
#
# Words: pages (and text files) sampled at random (seeded), their text without tags, scripts and styles, split at
# every character that is neither a letter nor a digit, lower-cased, distinct; WORDS of them at
# random, in the index's code page. For each word, one line per kind of search:
#   LABEL <TAB> KIND <TAB> WORD [<TAB> TITLE <TAB> PAGE]...
# KIND "prefix": pychm's Search(word, wholewords=0, titleonly=0), every word beginning with it;
#      "title": Search(word, 1, 1), the exact word in titles;
#      "whole": Search(word, 1, 0), which takes only the first of the word's two entries (its
#      text or its title entry, in the order the compiler wrote them).
# pychm answers with a dictionary keyed by title: topics of equal title keep one page (the last
# one found). Pages are written as "/" + the stored path without its anchor; a tab, newline or
# backslash inside a title is written \t, \n, \\.
import html
import random
import re
import struct
import sys

import chm.chm
import chm.extra
from chm import chmlib

# pychm 0.8.6 (Debian) reads the locale of files whose /#SYSTEM has none through struct,
# which chm/extra.py never imports.
chm.extra.struct = struct


def pages_of(handle):
    names = []

    def take(_handle, ui, _context):
        name = ui.path
        if name.lower().endswith((b".htm", b".html", b".txt")):
            names.append(name)
        return chmlib.CHM_ENUMERATOR_CONTINUE

    chmlib.chm_enumerate(handle, chmlib.CHM_ENUMERATE_NORMAL, take, None)
    return sorted(names)


def text_of(data, codepage):
    text = data.decode(codepage, "replace")
    text = re.sub(r"(?is)<(script|style)\b.*?</\1\s*>", " ", text)
    text = re.sub(r"(?s)<[^>]*>", " ", text)
    return html.unescape(text)


def escape(b):
    return b.replace(b"\\", b"\\\\").replace(b"\t", b"\\t").replace(b"\n", b"\\n").replace(b"\r", b"\\r")


def page_of(url):
    return b"/" + url.split(b"#", 1)[0]


def main():
    path, label = sys.argv[1], sys.argv[2].encode()
    wanted = int(sys.argv[3]) if len(sys.argv) > 3 else 200
    seed = int(sys.argv[4]) if len(sys.argv) > 4 else 17
    f = chm.chm.CHMFile()
    if not f.LoadCHM(path):
        sys.exit("fulltext-pychm: cannot open " + path)
    codepage = "cp1252"
    ui_res, ui = chmlib.chm_resolve_object(f.file, b"/$FIftiMain")
    if ui_res == chmlib.CHM_RESOLVE_SUCCESS and ui.length >= 0x7E:
        size, header = chmlib.chm_retrieve_object(f.file, ui, 0x7A, 4)
        if size == 4 and struct.unpack("<I", header)[0] in (1250, 1251, 1252):
            codepage = "cp%d" % struct.unpack("<I", header)[0]
    rng = random.Random(seed)
    pages = pages_of(f.file)
    words = set()
    for name in rng.sample(pages, min(len(pages), 400)):
        res, page = chmlib.chm_resolve_object(f.file, name)
        if res != chmlib.CHM_RESOLVE_SUCCESS:
            continue
        size, data = chmlib.chm_retrieve_object(f.file, page, 0, page.length)
        for w in re.split(r"[\W_]+", text_of(data[:size], codepage)):
            if w:
                try:
                    words.add(w.lower().encode(codepage))
                except UnicodeEncodeError:
                    pass
    words = sorted(words)
    chosen = set(rng.sample(words, min(wanted, len(words))))
    chosen = sorted(chosen | {w.encode(codepage) for w in sys.argv[5:]})
    out = sys.stdout.buffer
    for word in chosen:
        for kind, whole, titles in ((b"prefix", 0, 0), (b"title", 1, 1), (b"whole", 1, 0)):
            found = f.Search(word, whole, titles)
            answer = found[1] if found and found[1] else {}
            line = [label, kind, word]
            for title, url in sorted(answer.items()):
                line += [escape(title), escape(page_of(url))]
            out.write(b"\t".join(line) + b"\n")
    f.CloseCHM()


main()
