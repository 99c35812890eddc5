#include "options.h"

#include <getopt.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <map>

#ifndef FOLIVEX_VERSION
#define FOLIVEX_VERSION "unknown"
#endif

namespace fvc {
namespace {

// A whole decimal number within [low, high]; nothing else in the text.
bool ParseInteger(const std::string& text, long long low, long long high, long long& value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long long parsed = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || parsed < low || parsed > high) return false;
  value = parsed;
  return true;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> items(1);
  for (char c : text) {
    if (c == separator) {
      items.emplace_back();
    } else {
      items.back() += c;
    }
  }
  return items;
}

bool ParsePage(const std::string& text, int32_t& page) {
  if (text.find_first_not_of("0123456789") != std::string::npos) return false;
  long long value = 0;
  if (!ParseInteger(text, 1, INT32_MAX, value)) return false;
  page = static_cast<int32_t>(value);
  return true;
}

// The key under which an input's files land: its folder and its prefix.
std::string OutputKey(const Options& options, const std::string& input, std::string& error) {
  std::string folder, prefix;
  if (!ExpandPattern(options.outputFolder, input, folder)) {
    error = "--output: use %n for the input's name and %% for a per cent sign";
    return "";
  }
  if (!ExpandPattern(options.prefix, input, prefix)) {
    error = "--prefix: use %n for the input's name and %% for a per cent sign";
    return "";
  }
  if (prefix.find('/') != std::string::npos) {
    error = "--prefix may not hold a '/'; name the folder with --output";
    return "";
  }
  if (folder.empty()) {
    error = "--output names no folder";
    return "";
  }
  const auto absolute = std::filesystem::absolute(folder).lexically_normal();
  return absolute.string() + '\0' + prefix;
}

// Two inputs that would write the same file names into the same folder would overwrite each
// other's pages: refuse before anything is converted.
bool CheckOutputsDistinct(const Options& options, std::string& error) {
  std::map<std::string, const std::string*> owners;
  for (const std::string& input : options.inputs) {
    const std::string key = OutputKey(options, input, error);
    if (key.empty()) return false;
    auto [it, inserted] = owners.emplace(key, &input);
    if (!inserted) {
      error = "'" + *it->second + "' and '" + input +
              "' would write the same files; put %n in --output or --prefix "
              "(for example -p '%n-' or -o 'out/%n')";
      return false;
    }
  }
  return true;
}

const option kLongOptions[] = {
    {"output", required_argument, nullptr, 'o'},  {"prefix", required_argument, nullptr, 'p'},
    {"start", required_argument, nullptr, 'n'},   {"per-page", no_argument, nullptr, 'P'},
    {"whole", no_argument, nullptr, 'W'},         {"pages", required_argument, nullptr, 'r'},
    {"colors", required_argument, nullptr, 'c'},  {"jobs", required_argument, nullptr, 'j'},
    {"json", no_argument, nullptr, 'J'},          {"quiet", no_argument, nullptr, 'q'},
    {"verbose", no_argument, nullptr, 'v'},       {"office", required_argument, nullptr, 'O'},
    {"timeout", required_argument, nullptr, 'T'}, {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},       {nullptr, 0, nullptr, 0},
};

}  // namespace

bool ParsePages(const std::string& text, int32_t& fromPage, int32_t& toPage) {
  const auto dash = text.find('-');
  if (dash == std::string::npos) {
    if (!ParsePage(text, fromPage)) return false;
    toPage = fromPage;
    return true;
  }
  const std::string first = text.substr(0, dash), second = text.substr(dash + 1);
  if (first.empty() && second.empty()) return false;
  // An open start is page 1; an open end is any page beyond the last, which the library
  // cuts to the page count. (A 0 would not do: the library reads "3-0" as pages 1 to 3.)
  fromPage = 1;
  toPage = INT32_MAX;
  if (!first.empty() && !ParsePage(first, fromPage)) return false;
  if (!second.empty() && !ParsePage(second, toPage)) return false;
  return true;
}

bool ParseColor(const std::string& text, int32_t& color) {
  if (text.size() == 7 && text[0] == '#') {
    char* end = nullptr;
    const unsigned long rgb = std::strtoul(text.c_str() + 1, &end, 16);
    if (*end != '\0' || text[1] == '-' || text[1] == '+') return false;
    const uint32_t red = (rgb >> 16) & 0xFF, green = (rgb >> 8) & 0xFF, blue = rgb & 0xFF;
    color = static_cast<int32_t>(blue << 16 | green << 8 | red);
    return true;
  }
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 0);
  if (errno != 0 || *end != '\0' || value < INT32_MIN || value > 0x00FFFFFF) return false;
  color = static_cast<int32_t>(value);
  return true;
}

bool ExpandPattern(const std::string& pattern, const std::string& input, std::string& expanded) {
  expanded.clear();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%') {
      expanded += pattern[i];
      continue;
    }
    if (i + 1 >= pattern.size()) return false;
    const char next = pattern[++i];
    if (next == '%') {
      expanded += '%';
    } else if (next == 'n') {
      expanded += std::filesystem::path(input).stem().string();
    } else {
      return false;
    }
  }
  return true;
}

ParsedCommandLine ParseCommandLine(int argc, char** argv) {
  ParsedCommandLine parsed;
  Options& options = parsed.options;
  auto usage = [&parsed](std::string message) {
    parsed.kind = ParsedCommandLine::Kind::UsageError;
    parsed.error = std::move(message);
    return parsed;
  };
  bool pagesGiven = false, wholeGiven = false;

  optind = 0;  // a fresh scan (and GNU's full reinitialisation) on every call
  opterr = 0;  // the errors are ours to word
  int c;
  while ((c = getopt_long(argc, argv, ":o:p:n:r:j:qv", kLongOptions, nullptr)) != -1) {
    const std::string value = optarg ? optarg : "";
    long long number = 0;
    switch (c) {
      case 'o':
        options.outputFolder = value;
        break;
      case 'p':
        options.prefix = value;
        break;
      case 'n':
        if (!ParseInteger(value, INT32_MIN, INT32_MAX, number)) {
          return usage("--start wants a whole number, not '" + value + "'");
        }
        options.startNumber = static_cast<int32_t>(number);
        break;
      case 'P':
        options.perPage = true;
        wholeGiven = false;
        break;
      case 'W':
        options.perPage = false;
        wholeGiven = true;
        break;
      case 'r':
        if (!ParsePages(value, options.fromPage, options.toPage)) {
          return usage(
              "--pages wants a page or a range such as 5, 3-7, 3- or -7 (pages count "
              "from 1), not '" +
              value + "'");
        }
        pagesGiven = true;
        break;
      case 'c': {
        const std::vector<std::string> items = Split(value, ',');
        std::array<int32_t, 4> colors{};
        bool good = items.size() == colors.size();
        for (std::size_t i = 0; good && i < colors.size(); ++i) {
          good = ParseColor(items[i], colors[i]);
        }
        if (!good) {
          return usage(
              "--colors wants four colours FORM,GAUGE-BACK,GAUGE-FORE,LABEL, each "
              "#rrggbb or a number 0x00BBGGRR, not '" +
              value + "'");
        }
        options.colors = colors;
        break;
      }
      case 'j':
        if (!ParseInteger(value, 1, 64, number)) {
          return usage("--jobs wants a number from 1 to 64, not '" + value + "'");
        }
        options.jobs = static_cast<int>(number);
        break;
      case 'J':
        options.json = true;
        break;
      case 'q':
        options.verbosity = Verbosity::Quiet;
        break;
      case 'v':
        options.verbosity = Verbosity::Verbose;
        break;
      case 'O':
        if (value == "batch") {
          options.office = OfficeMode::Batch;
        } else if (value == "per-file") {
          options.office = OfficeMode::PerFile;
        } else {
          return usage("--office wants 'batch' or 'per-file', not '" + value + "'");
        }
        break;
      case 'T':
        if (!ParseInteger(value, 0, 86400, number)) {
          return usage("--timeout wants seconds from 0 (no limit) to 86400, not '" + value + "'");
        }
        options.timeoutSeconds = static_cast<int>(number);
        break;
      case 'h':
        parsed.kind = ParsedCommandLine::Kind::Help;
        return parsed;
      case 'V':
        parsed.kind = ParsedCommandLine::Kind::Version;
        return parsed;
      case ':':
        return usage(std::string("option '") + argv[optind - 1] + "' needs a value");
      default:
        return usage(std::string("unknown option '") + argv[optind - 1] + "'");
    }
  }
  for (int i = optind; i < argc; ++i) options.inputs.emplace_back(argv[i]);

  if (options.inputs.empty()) return usage("no input file");
  if (pagesGiven && wholeGiven) {
    return usage("--pages selects pages of a per-page conversion; --whole converts every page");
  }
  std::string error;
  if (!CheckOutputsDistinct(options, error)) return usage(error);
  return parsed;
}

std::string HelpText() {
  return R"(Usage: folivex-convert [OPTION]... FILE...
Convert Word documents to HTML files with the Folivex library: one file per page
(PREFIX000001.htm, PREFIX000002.htm, ...) or one file for the whole document.

  -o, --output=DIR      write into DIR, made when missing (default: the current folder)
  -p, --prefix=TEXT     put TEXT before the number of every file name (default: none)
  -n, --start=N         number the first file N (default: 1); page i gets N+i-1
      --per-page        one file per page (the default)
      --whole           one file for the whole document
      --pages=RANGE     convert only these pages: 5, 3-7, 3- (to the end), -7
      --colors=F,B,G,L  progress window colours: form, gauge background, gauge
                        foreground, labels; each #rrggbb or a number 0x00BBGGRR
  -j, --jobs=N          convert with N worker processes, each with its own office
                        (default: 1); results still come in input order
      --office=MODE     batch: one office per job for the whole batch (default);
                        per-file: the server starts and quits one for every file
      --timeout=SECONDS stop an input that takes longer (default: 600; 0: no limit)
      --json            print one JSON object per message and per input instead
  -q, --quiet           print nothing but failures
  -v, --verbose         also print every message as it arrives, and the settings
  -h, --help            print this help and exit
  -V, --version         print the version and exit

In --output and --prefix, %n stands for the input's name without its extension and
%% for a per cent sign; several inputs need it unless they write into different
folders, so that no input overwrites another's files.

Every file written is printed on standard output, one path a line, as it is written;
a summary per input, failures and their explanations go to standard error.

Exit status: 0 when every input converted (a PDF or another file that is not a Word
document is accepted and writes nothing), 1 when any input failed or is missing,
2 for a usage error.

The library is loaded from FOLIVEX_LIBRARY when set, else from beside the program.
The word processor is the one registered for Word.Application (scripts/register-office.sh).
)";
}

std::string VersionText() {
  return "folivex-convert (Folivex) " FOLIVEX_VERSION "\n";
}

}  // namespace fvc
