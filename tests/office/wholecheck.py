#!/usr/bin/python3
"""Does one HTML file hold the whole text of a document, as the office lays it out?

usage: wholecheck.py PAGECHECK SOURCE HTML [--cache DIR]

Uses the page checker's own reference (the office's PDF export, read page by page) and its
normalisation. Every line of every page must be found in the HTML's text, in order of
pages, unless it is page furniture (header, footer, note, repeated heading row) or a
lone page number. A line that the PDF reader took across table cells is found when each of
its words is. Prints each line that is missing, then "lines: M of N found".
"""
import importlib.machinery
import importlib.util
import re
import sys


def main():
    checker, source, html = sys.argv[1:4]
    cache = sys.argv[sys.argv.index("--cache") + 1] if "--cache" in sys.argv else None
    loader = importlib.machinery.SourceFileLoader("pagecheck", checker)
    spec = importlib.util.spec_from_loader("pagecheck", loader)
    pc = importlib.util.module_from_spec(spec)
    loader.exec_module(pc)
    info, pdf = pc.load_reference(source, cache=cache)
    if "error" in info:
        print("ERROR", info["error"])
        sys.exit(2)
    furniture = pc.compile_furniture(info["furniture"])
    labels = info["labels"]
    text = pc.norm(pc.strip_labels(pc.html_text(html), labels, True))
    _, pages = pc.pdf_pages(pdf, raw=True)
    found = total = 0
    for number, page in enumerate(pages, 1):
        for line in page.split("\n"):
            n = pc.norm(pc.strip_labels(line, labels, True))
            if len(n) < 2 or re.fullmatch(r"[0-9ivxlcdm]{1,6}", n):
                continue
            if not pc.explain(n, furniture):
                continue
            total += 1
            if n in text or all(pc.norm(w) in text for w in line.split()):
                found += 1
            else:
                print("page %d: %s" % (number, line.strip()))
    print("lines: %d of %d found" % (found, total))


if __name__ == "__main__":
    main()
