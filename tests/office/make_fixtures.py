#!/usr/bin/python3
"""Writes the documents that the office tests convert, with an office of its own.

usage: make_fixtures.py FOLDER

Each document shows one thing that page location must get right, in Writer's own layout:
tables that cross page boundaries (rows split over two pages, a repeated heading row, a
table that starts a page, tables right after one another, a column merged down a table),
hard page breaks, a section with another page style, an image, footnotes, a header and a
footer, endnotes, CJK text, a paragraph that runs over pages, tracked deletions shown
struck through, a document of one page; and the three file kinds the library meets: Word
97 (.doc), Word 2007 (.docx), and rich text named .doc. Two more are not documents one can
convert: one protected by a password and one cut short.

The office runs headless with a profile folder and a pipe of this script's own; it is ended
(and its process group with it) when the script ends, also on failure.
"""
import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import zlib

import uno
from com.sun.star.beans import PropertyValue
from com.sun.star.style.BreakType import PAGE_BEFORE
from com.sun.star.text.ControlCharacter import PARAGRAPH_BREAK
from com.sun.star.text.TextContentAnchorType import AS_CHARACTER

SOFFICE = os.environ.get("FOLIVEX_SOFFICE", "/usr/lib/libreoffice/program/soffice.bin")
WORDS = ("alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu nu xi omicron "
         "pi rho sigma tau upsilon phi chi psi omega").split()
CJK = "汉字测试文本页面边界表格图片脚注页眉页脚段落跨页中文内容示例转换检查"


def prop(name, value):
    p = PropertyValue()
    p.Name, p.Value = name, value
    return p


def words(seed, count):
    return " ".join(WORDS[(seed * 7 + i * 3) % len(WORDS)] for i in range(count))


class Office:
    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="folivex-fixtures-")
        self.pipe = "folivex-fixtures-%d" % os.getpid()
        template = os.environ.get("FOLIVEX_OFFICE_PROFILE") or os.path.join(
            os.environ.get("XDG_CACHE_HOME") or os.path.expanduser("~/.cache"), "folivex",
            "office-profile")
        profile = os.path.join(self.folder, "profile")
        if os.path.isfile(os.path.join(template, "folivex-profile.stamp")):
            shutil.copytree(template, profile, symlinks=True)
        self.proc = subprocess.Popen(
            [SOFFICE, "-env:UserInstallation=" + uno.systemPathToFileUrl(profile), "--headless",
             "--invisible", "--nologo", "--norestore", "--nodefault", "--nolockcheck",
             "--accept=pipe,name=%s;urp;StarOffice.ComponentContext" % self.pipe],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext(
            "com.sun.star.bridge.UnoUrlResolver", local)
        deadline = time.time() + 120
        while True:
            try:
                ctx = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % self.pipe)
                break
            except Exception:
                if self.proc.poll() is not None and self.proc.returncode != 81:
                    raise RuntimeError("the office ended while starting")
                if self.proc.poll() is not None:  # asked for a restart after making the profile
                    self.proc = subprocess.Popen(self.proc.args, stdout=subprocess.DEVNULL,
                                                 stderr=subprocess.DEVNULL, start_new_session=True)
                if time.time() > deadline:
                    raise RuntimeError("the office did not answer")
                time.sleep(0.1)
        self.ctx = ctx
        self.desktop = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)

    def new_document(self):
        return self.desktop.loadComponentFromURL("private:factory/swriter", "_blank", 0,
                                                 (prop("Hidden", True),))

    def close(self):
        try:
            self.desktop.terminate()
        except Exception:
            pass
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            pass
        try:
            os.killpg(self.proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        self.proc.wait()
        shutil.rmtree(self.folder, ignore_errors=True)


class Writer:
    """Appends to a document at its end."""

    def __init__(self, doc):
        self.doc, self.text = doc, doc.Text
        self.cursor = self.text.createTextCursor()
        self.cursor.gotoEnd(False)

    def paragraph(self, text, page_break=False, page_style=None, style=None):
        if page_break:
            self.cursor.BreakType = PAGE_BEFORE
        if page_style:
            self.cursor.PageDescName = page_style
        if style:
            self.cursor.ParaStyleName = style
        self.text.insertString(self.cursor, text, False)
        self.text.insertControlCharacter(self.cursor, PARAGRAPH_BREAK, False)
        self.cursor.BreakType = uno.Enum("com.sun.star.style.BreakType", "NONE")
        if style:
            self.cursor.ParaStyleName = "Standard"

    def table(self, rows, columns, cell_text, heading=False, page_break=False):
        table = self.doc.createInstance("com.sun.star.text.TextTable")
        table.initialize(rows, columns)
        self.text.insertTextContent(self.cursor, table, False)
        if heading:
            table.RepeatHeadline = True
            table.HeaderRowCount = 1
        if page_break:
            table.BreakType = PAGE_BEFORE
        for r in range(rows):
            for c in range(columns):
                table.getCellByPosition(c, r).setString(cell_text(r, c))
        return table

    def footnote(self, before, note):
        self.text.insertString(self.cursor, before, False)
        footnote = self.doc.createInstance("com.sun.star.text.Footnote")
        self.text.insertTextContent(self.cursor, footnote, False)
        footnote.setString(note)
        self.text.insertControlCharacter(self.cursor, PARAGRAPH_BREAK, False)

    def image(self, png_path):
        graphic = self.doc.createInstance("com.sun.star.text.TextGraphicObject")
        graphic.GraphicURL = uno.systemPathToFileUrl(png_path)
        graphic.AnchorType = AS_CHARACTER
        graphic.Width, graphic.Height = 4000, 3000
        self.text.insertTextContent(self.cursor, graphic, False)
        self.text.insertControlCharacter(self.cursor, PARAGRAPH_BREAK, False)


def write_png(path, width=64, height=48):
    rows = b"".join(b"\x00" + b"".join(bytes((x * 4 % 256, y * 5 % 256, 160)) for x in range(width))
                    for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def save(doc, path, filter_name):
    doc.storeToURL(uno.systemPathToFileUrl(path), (prop("FilterName", filter_name),))


def tables_document(office):
    """Tables crossing pages: split rows, a repeated heading row, a table that starts a
    page, two tables right after one another, and a table nested in a cell."""
    doc = office.new_document()
    w = Writer(doc)
    for k in range(4):
        w.paragraph("Opening paragraph %d. %s" % (k, words(k, 60)))
    # Every seventh row is tall, so that some rows are split over two pages.
    w.table(70, 3, lambda r, c: "Heading %d" % c if r == 0 else
            "Row %d cell %d %s" % (r, c, words(r + c, 40 if r % 7 == 3 else 2)), heading=True)
    w.paragraph("Between the tables. " + words(3, 30))
    w.table(12, 2, lambda r, c: "Starts a page, row %d cell %d %s" % (r, c, words(r, 3)),
            page_break=True)
    w.table(30, 4, lambda r, c: "Adjacent %d.%d %s" % (r, c, words(r * c, 5)))
    w.paragraph("After the adjacent tables. " + words(5, 50))
    outer = w.table(3, 2, lambda r, c: "Outer %d %d" % (r, c))
    cell = outer.getCellByName("B2")
    nested = doc.createInstance("com.sun.star.text.TextTable")
    nested.initialize(40, 2)
    cell.insertTextContent(cell.getEnd(), nested, False)
    for r in range(40):
        for c in range(2):
            nested.getCellByPosition(c, r).setString("Nested %d %d %s" % (r, c, words(r, 4)))
    for k in range(6):
        w.paragraph("Closing paragraph %d. %s" % (k, words(k + 9, 70)))
    return doc


def layout_document(office, png):
    """Hard page breaks, a section with another page style, an image, footnotes, a header
    and a footer, and a paragraph that runs over two pages."""
    doc = office.new_document()
    styles = doc.StyleFamilies.getByName("PageStyles")
    standard = styles.getByName("Standard")
    standard.HeaderIsOn = True
    standard.FooterIsOn = True
    standard.HeaderText.setString("Header of the document")
    standard.FooterText.setString("Footer of the document")
    w = Writer(doc)
    w.paragraph("First page. " + words(1, 40))
    w.footnote("A sentence with a footnote. ", "The footnote's own text.")
    w.paragraph("A picture follows.")
    w.image(png)
    w.paragraph("Second page after a hard break. " + words(2, 40), page_break=True)
    w.footnote("Another footnote here. ", "Second footnote text.")
    w.paragraph("Landscape section. " + words(4, 60), page_style="Landscape")
    w.paragraph(words(6, 80))
    w.paragraph("Back to portrait. " + words(7, 30), page_style="Standard")
    w.paragraph("A long paragraph: " + " ".join(words(k, 20) for k in range(60)))
    w.paragraph("Last words. " + words(8, 10), page_break=True)
    return doc


def cjk_document(office):
    """CJK text: a paragraph over pages and narrow cells split over pages."""
    doc = office.new_document()
    w = Writer(doc)
    w.paragraph("中文段落：" + CJK * 60)
    w.table(24, 4, lambda r, c: ("第%d行第%d列" % (r, c)) + CJK[(r + c) % 8:] * (6 if r % 5 == 2 else 1))
    w.paragraph("结束：" + CJK * 20)
    return doc


def merged_document(office):
    """A table whose first column is one cell merged down its rows, so that the rows split
    over pages begin with their second cell."""
    doc = office.new_document()
    w = Writer(doc)
    for k in range(3):
        w.paragraph("Opening paragraph %d. %s" % (k, words(k, 50)))
    rows = 12

    def text(r, c):
        if c == 2 and r >= 2:
            return "\n".join("Item %d.%d %s" % (r, i, words(r + i, 6)) for i in range(14))
        return "Row %d cell %d" % (r, c)

    table = w.table(rows, 3, text)
    merge = table.createCursorByCellName("A3")
    merge.gotoCellByName("A%d" % rows, True)
    merge.mergeRange()
    w.paragraph("After the table. " + words(2, 40))
    return doc


def tracked_document(office):
    """Tracked deletions, which the document shows struck through: one over a page
    boundary, one in a table cell."""
    doc = office.new_document()
    w = Writer(doc)
    for k in range(30):
        w.paragraph("Paragraph %d. %s" % (k, words(k, 45)))
    w.table(3, 2, lambda r, c: "Cell %d %d %s" % (r, c, words(r + c, 5)))
    w.paragraph("Closing words. " + words(3, 20))
    paragraphs = []
    elements = doc.Text.createEnumeration()
    while elements.hasMoreElements():
        element = elements.nextElement()
        if not element.supportsService("com.sun.star.text.TextTable"):
            paragraphs.append(element)
    doc.RecordChanges = True
    cut = doc.Text.createTextCursorByRange(paragraphs[8].Start)
    cut.goRight(40, False)
    cut.gotoRange(paragraphs[16].Start, True)
    cut.goRight(30, True)
    cut.setString("")
    cell = doc.TextTables.getByIndex(0).getCellByName("B2").createTextCursor()
    cell.goRight(5, False)
    cell.goRight(8, True)
    cell.setString("")
    doc.RecordChanges = False
    return doc


def endnotes_document(office):
    """An endnote, numbered i, whose mark is on the first page and whose text is on the
    last."""
    doc = office.new_document()
    w = Writer(doc)
    doc.Text.insertString(w.cursor, "A paragraph with a note", False)
    endnote = doc.createInstance("com.sun.star.text.Endnote")
    doc.Text.insertTextContent(w.cursor, endnote, False)
    endnote.setString("The endnote. " + words(5, 8))
    w.paragraph(". " + words(1, 40))
    for k in range(10):
        w.paragraph("Paragraph %d. %s" % (k, words(k, 60)))
    return doc


def one_page_document(office):
    doc = office.new_document()
    w = Writer(doc)
    w.paragraph("A document of one page. " + words(3, 30))
    w.table(3, 3, lambda r, c: "Cell %d %d" % (r, c))
    w.paragraph("Its end.")
    return doc


def rich_text_document(office):
    doc = office.new_document()
    w = Writer(doc)
    for k in range(40):
        w.paragraph("Rich text paragraph %d. %s" % (k, words(k, 45)))
    return doc


def main():
    folder = os.path.abspath(sys.argv[1])
    os.makedirs(folder, exist_ok=True)
    office = Office()
    try:
        png = os.path.join(office.folder, "picture.png")
        write_png(png)
        made = [
            (tables_document(office), "tables.docx", "MS Word 2007 XML"),
            (layout_document(office, png), "layout.doc", "MS Word 97"),
            (cjk_document(office), "cjk.docx", "MS Word 2007 XML"),
            (merged_document(office), "merged.docx", "MS Word 2007 XML"),
            (tracked_document(office), "tracked.docx", "MS Word 2007 XML"),
            (endnotes_document(office), "endnotes.docx", "MS Word 2007 XML"),
            (one_page_document(office), "one-page.docx", "MS Word 2007 XML"),
            (rich_text_document(office), "rich-text.doc", "Rich Text Format"),
        ]
        for doc, name, filter_name in made:
            save(doc, os.path.join(folder, name), filter_name)
        protected = made[6][0]
        protected.storeToURL(uno.systemPathToFileUrl(os.path.join(folder, "password.doc")),
                             (prop("FilterName", "MS Word 97"), prop("Password", "secret")))
        for doc, _, _ in made:
            doc.close(True)
    finally:
        office.close()
    with open(os.path.join(folder, "tables.docx"), "rb") as f:
        whole = f.read()
    with open(os.path.join(folder, "truncated.docx"), "wb") as f:
        f.write(whole[: len(whole) // 2])


if __name__ == "__main__":
    main()
