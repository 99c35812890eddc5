#!/usr/bin/python3
"""Benchmark of the office server: page-by-page conversion through the library's exports
(folivex-convert, with an office started and ended for the file) against the office's own
whole-document conversion (soffice --headless --convert-to html), both started cold from
the same ready-made profile.

usage: office-bench.py [--build DIR] [--documents DIR] [--runs N] [--long-runs N]

Prints
  (a) the time of the per-page conversion of the 100-page document against the office's
      conversion of the same document, the two alternated in one run, as a ratio of medians;
  (b) the per-page cost of the 1000-page document against that of the 100-page document;
  (c) the peak resident memory of the host process (folivex-convert and the worker it starts
      to load the library, without the office);
  (d) what the ready-made profile saves: the office's conversion from an empty profile.

The documents are written by make_bench_documents.py on first use. The server is registered
in a registry of the benchmark's own, never the user's.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.dirname(HERE)


def profile_template():
    return os.environ.get("FOLIVEX_OFFICE_PROFILE") or os.path.join(
        os.environ.get("XDG_CACHE_HOME") or os.path.expanduser("~/.cache"), "folivex", "office-profile")


def peak_rss_kib(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def host_processes(root):
    """The command and the processes it started to load the library (its workers), without
    the office."""
    children = {}
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % name) as f:
                stat = f.read()
        except OSError:
            continue
        command = stat[stat.index("(") + 1:stat.rindex(")")]
        parent = int(stat[stat.rindex(")") + 2:].split()[1])
        children.setdefault(parent, []).append((int(name), command))
    found, todo = [root], [root]
    while todo:
        for pid, command in children.get(todo.pop(), []):
            if not command.startswith("soffice"):
                found.append(pid)
                todo.append(pid)
    return found


def convert_per_page(convert, document, out, env):
    """Seconds, pages written and the host's peak memory (KiB) of one conversion."""
    shutil.rmtree(out, ignore_errors=True)
    started = time.monotonic()
    proc = subprocess.Popen([convert, "--office=per-file", "-q", "-o", out, document], env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    peak = 0
    while proc.poll() is None:
        for pid in host_processes(proc.pid):
            peak = max(peak, peak_rss_kib(pid))
        time.sleep(0.02)
    seconds = time.monotonic() - started
    if proc.returncode != 0:
        sys.exit("folivex-convert failed on %s: %s" % (document, proc.stderr.read().decode()[-500:]))
    pages = len([f for f in os.listdir(out) if f.endswith(".htm") and len(f) == 10])
    return seconds, pages, peak


def convert_whole_with_office(soffice, document, out, ready_profile=True):
    """Seconds of the office's own conversion, with a fresh copy of the ready profile or, with
    ready_profile False, an empty profile that the office sets up first."""
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    profile = tempfile.mkdtemp(prefix="folivex-bench-profile-")
    started = time.monotonic()
    if ready_profile:
        shutil.rmtree(profile)
        shutil.copytree(profile_template(), profile, symlinks=True)
    command = [soffice, "-env:UserInstallation=file://" + profile, "--headless",
               "--convert-to", "html", "--outdir", out, document]
    result = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if result.returncode == 81:  # a new profile: the office asks to be started again
        result = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    seconds = time.monotonic() - started
    shutil.rmtree(profile, ignore_errors=True)
    if result.returncode != 0 or not os.listdir(out):
        sys.exit("soffice --convert-to failed on " + document)
    return seconds


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(TOP, "build"))
    ap.add_argument("--documents", default=None)
    ap.add_argument("--runs", type=int, default=5, help="alternated runs for (a)")
    ap.add_argument("--long-runs", type=int, default=2, help="runs of the 1000-page document")
    a = ap.parse_args()
    build = os.path.abspath(a.build)
    convert = os.path.join(build, "tools", "folivex-convert", "folivex-convert")
    server = os.path.join(build, "src", "automation", "office", "libfolivex-office.so")
    soffice = os.environ.get("FOLIVEX_SOFFICE", "/usr/lib/libreoffice/program/soffice.bin")
    for f in (convert, server):
        if not os.path.exists(f):
            sys.exit("missing %s: build first" % f)
    documents = os.path.abspath(a.documents or os.path.join(build, "bench-documents"))
    small = os.path.join(documents, "bench-100.docx")
    large = os.path.join(documents, "bench-1000.docx")
    if not (os.path.exists(small) and os.path.exists(large)):
        print("writing the documents into %s ..." % documents, flush=True)
        subprocess.run([os.path.join(HERE, "make_bench_documents.py"), documents], check=True)

    work = tempfile.mkdtemp(prefix="folivex-bench-")
    try:
        env = dict(os.environ)
        env["FOLIVEX_HKCR"] = os.path.join(work, "HKEY_CLASSES_ROOT.reg")
        env["FOLIVEX_HKCU"] = os.path.join(work, "HKEY_CURRENT_USER.reg")
        env.pop("FOLIVEX_OFFICE_PIPE", None)
        subprocess.run([os.path.join(TOP, "scripts", "register-office.sh"), server], env=env,
                       check=True, stdout=subprocess.DEVNULL)
        out = os.path.join(work, "out")
        # Not timed: makes the ready profile if needed and brings the files into the cache.
        convert_per_page(convert, small, out, env)
        convert_whole_with_office(soffice, small, out)

        ours, office, peaks = [], [], []
        pages = 0
        for _ in range(a.runs):
            seconds, pages, peak = convert_per_page(convert, small, out, env)
            ours.append(seconds)
            peaks.append(peak)
            office.append(convert_whole_with_office(soffice, small, out))
        empty_profile = [convert_whole_with_office(soffice, small, out, ready_profile=False)
                         for _ in range(2)]
        long_runs, long_pages = [], 0
        for _ in range(a.long_runs):
            seconds, long_pages, peak = convert_per_page(convert, large, out, env)
            long_runs.append(seconds)
            peaks.append(peak)
    finally:
        shutil.rmtree(work, ignore_errors=True)

    ours_median, office_median = statistics.median(ours), statistics.median(office)
    per_page_small = ours_median / pages
    per_page_large = statistics.median(long_runs) / long_pages
    print("runs: %d alternated of %s (%d pages), %d of %s (%d pages)"
          % (a.runs, os.path.basename(small), pages, a.long_runs, os.path.basename(large), long_pages))
    print("per-page conversion, 100 pages:  median %.2f s (%s)"
          % (ours_median, " ".join("%.2f" % s for s in ours)))
    print("soffice --convert-to html:       median %.2f s (%s)"
          % (office_median, " ".join("%.2f" % s for s in office)))
    print("(a) ratio: %.2f  (%.1f ms a page)" % (ours_median / office_median, 1000 * per_page_small))
    print("(b) per page at %d pages: %.1f ms, at %d pages: %.1f ms, ratio %.2f"
          % (long_pages, 1000 * per_page_large, pages, 1000 * per_page_small,
             per_page_large / per_page_small))
    print("(c) peak resident memory of the host: %.1f MiB" % (max(peaks) / 1024.0))
    print("(d) soffice --convert-to html from an empty profile: median %.2f s (%s), from the ready "
          "profile %.2f s" % (statistics.median(empty_profile),
                              " ".join("%.2f" % s for s in empty_profile), office_median))


if __name__ == "__main__":
    main()
