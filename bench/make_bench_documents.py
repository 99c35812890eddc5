#!/usr/bin/python3
"""Writes the benchmark's documents: about 100 and about 1000 pages of Word 2007 text, with
paragraphs, a table every few pages (so that some cross page boundaries) and nothing else.

usage: make_bench_documents.py FOLDER [PAGES...]   (default pages: 100 1000)

Writes FOLDER/bench-PAGES.docx; the office lays them out to close to that many pages (the
benchmark prints the real count). The office runs headless with a profile and a pipe of
this script's own and is ended when the script ends.
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import uno
from com.sun.star.beans import PropertyValue
from com.sun.star.text.ControlCharacter import PARAGRAPH_BREAK

SOFFICE = os.environ.get("FOLIVEX_SOFFICE", "/usr/lib/libreoffice/program/soffice.bin")
WORDS = ("alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu nu xi omicron "
         "pi rho sigma tau upsilon").split()
# Measured: about this many paragraphs (of 60 words, with the tables) fill one page.
PARAGRAPHS_PER_PAGE = 9.6


def prop(name, value):
    p = PropertyValue()
    p.Name, p.Value = name, value
    return p


def text(seed, count):
    return " ".join(WORDS[(seed * 7 + j * 3) % len(WORDS)] for j in range(count))


def start_office(folder):
    pipe = "folivex-bench-%d" % os.getpid()
    template = os.environ.get("FOLIVEX_OFFICE_PROFILE") or os.path.join(
        os.environ.get("XDG_CACHE_HOME") or os.path.expanduser("~/.cache"), "folivex", "office-profile")
    profile = os.path.join(folder, "profile")
    if os.path.isfile(os.path.join(template, "folivex-profile.stamp")):
        shutil.copytree(template, profile, symlinks=True)
    args = [SOFFICE, "-env:UserInstallation=" + uno.systemPathToFileUrl(profile), "--headless",
            "--invisible", "--nologo", "--norestore", "--nodefault", "--nolockcheck",
            "--accept=pipe,name=%s;urp;StarOffice.ComponentContext" % pipe]
    proc = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            start_new_session=True)
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
    deadline = time.time() + 120
    while True:
        try:
            ctx = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
            return proc, ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)
        except Exception:
            if proc.poll() is not None:
                if proc.returncode != 81:
                    raise RuntimeError("the office ended while starting")
                proc = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                        start_new_session=True)
            if time.time() > deadline:
                raise RuntimeError("the office did not answer")
            time.sleep(0.1)


def write(desktop, path, pages):
    doc = desktop.loadComponentFromURL("private:factory/swriter", "_blank", 0, (prop("Hidden", True),))
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
    scratch = tempfile.mkdtemp(prefix="folivex-bench-")
    proc = None
    try:
        proc, desktop = start_office(scratch)
        for pages in sizes:
            write(desktop, os.path.join(folder, "bench-%d.docx" % pages), pages)
        try:
            desktop.terminate()
        except Exception:
            pass
    finally:
        if proc is not None:
            try:
                proc.wait(10)
            except subprocess.TimeoutExpired:
                pass
            try:
                os.killpg(proc.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            proc.wait()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
