#!/usr/bin/python3
"""Writes the benchmark's documents: about 100 and about 1000 pages of Word 2007 text, with
paragraphs, a table every few pages (so that some cross page boundaries) and nothing else.

usage: make_bench_documents.py FOLDER [PAGES...]   (default pages: 100 1000)

Writes FOLDER/bench-PAGES.docx; the office lays them out to close to that many pages (the
benchmark prints the real count). The office runs headless with a profile and a pipe of
this script's own and is ended when the script ends.
"""
import os
import sys

import uno
from com.sun.star.text.ControlCharacter import PARAGRAPH_BREAK

# The office is started and ended as for the test documents.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "office"))
from make_fixtures import Office, prop  # noqa: E402

WORDS = ("alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu nu xi omicron "
         "pi rho sigma tau upsilon").split()
# Measured: about this many paragraphs (of 60 words, with the tables) fill one page.
PARAGRAPHS_PER_PAGE = 9.6


def text(seed, count):
    return " ".join(WORDS[(seed * 7 + j * 3) % len(WORDS)] for j in range(count))


def write(office, path, pages):
    doc = office.new_document()
    body = doc.Text
    cursor = body.createTextCursor()
    paragraphs = int(pages * PARAGRAPHS_PER_PAGE)
    for k in range(1, paragraphs + 1):
        if k % 25 == 0:
            table = doc.createInstance("com.sun.star.text.TextTable")
            table.initialize(8, 3)
            body.insertTextContent(cursor, table, False)
            table.setDataArray(tuple(tuple(text(k + r + c, 4) for c in range(3)) for r in range(8)))
        else:
            body.insertString(cursor, "Paragraph %d. %s" % (k, text(k, 60)), False)
            body.insertControlCharacter(cursor, PARAGRAPH_BREAK, False)
    doc.storeToURL(uno.systemPathToFileUrl(path), (prop("FilterName", "MS Word 2007 XML"),))
    doc.close(True)


def main():
    folder = os.path.abspath(sys.argv[1])
    sizes = [int(a) for a in sys.argv[2:]] or [100, 1000]
    os.makedirs(folder, exist_ok=True)
    office = Office()
    try:
        for pages in sizes:
            write(office, os.path.join(folder, "bench-%d.docx" % pages), pages)
    finally:
        office.close()


if __name__ == "__main__":
    main()
