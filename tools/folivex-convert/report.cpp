#include "report.h"

#include <cstdio>

#include "explain.h"

namespace fvc {
namespace {

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f s", seconds);
  return text;
}

std::string JsonSeconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", seconds);
  return text;
}

std::string Plural(std::size_t count, const char* word) {
  return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

std::string JsonHead(const char* type, const InputPlan& plan) {
  return std::string("{\"type\":\"") + type + "\",\"index\":" + std::to_string(plan.index) +
         ",\"input\":" + JsonString(plan.input);
}

template <class T, class F>
std::string JsonArray(const std::vector<T>& items, F format) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i) out += (i ? "," : "") + format(items[i]);
  return out + "]";
}

std::string NotifyMeaning(uint32_t code) {
  switch (code) {
    case 0:
      return "a file was written";
    case 1:
      return "the conversion finished";
    case 0xFFFFFFFFu:
      return "the conversion produced nothing";
    default:
      return "a notification the library does not document";
  }
}

std::string ModeText(const Options& options) {
  if (!options.perPage) return "the whole document";
  if (options.fromPage == 0 && options.toPage == 0) return "every page";
  return "pages " + std::to_string(options.fromPage) + "-" +
         (options.toPage == INT32_MAX ? std::string("end") : std::to_string(options.toPage));
}

}  // namespace

const char* OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::Converted:
      return "converted";
    case Outcome::Skipped:
      return "skipped";
    case Outcome::Failed:
      return "failed";
    case Outcome::Missing:
      return "missing";
  }
  return "failed";
}

std::string PageList(const std::vector<int32_t>& pages) {
  std::string out;
  for (std::size_t i = 0; i < pages.size();) {
    std::size_t j = i;
    while (j + 1 < pages.size() && pages[j + 1] == pages[j] + 1) ++j;
    if (!out.empty()) out += ", ";
    out += std::to_string(pages[i]);
    if (j > i) out += "-" + std::to_string(pages[j]);
    i = j + 1;
  }
  return out;
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

void Report::Started(const InputPlan& plan) {
  if (options_.json || !Verbose()) return;
  Line(Stream::Err, plan.input + ": converting " + ModeText(options_) + " into " + plan.folder +
                        ", the first file numbered " + std::to_string(options_.startNumber) +
                        (plan.prefix.empty() ? "" : " behind '" + plan.prefix + "'"));
}

void Report::Message(const InputPlan& plan, const MessageRecord& record) {
  const bool notify = record.message == WM_CONVERT_NOTIFY;
  if (options_.json) {
    std::string line = JsonHead("message", plan) + ",\"message\":\"" +
                       (notify ? "WM_CONVERT_NOTIFY" : "WM_CONVERT_ERROR") +
                       "\",\"number\":" + std::to_string(record.message) +
                       ",\"code\":" + CodeText(record.code);
    if (notify) {
      line += ",\"meaning\":" + JsonString(NotifyMeaning(record.code));
      if (record.code == 0) {
        line += ",\"path\":" + JsonString(record.path) +
                ",\"written\":" + (record.written ? "true" : "false");
        if (record.page) line += ",\"page\":" + std::to_string(*record.page);
      }
    } else {
      const Explanation explanation = ExplainError(record.code);
      line += ",\"meaning\":" + JsonString(explanation.meaning) +
              ",\"advice\":" + JsonString(explanation.advice);
    }
    Line(Stream::Out, line + "}");
    return;
  }

  if (Verbose()) {
    std::string text = plan.input + ": " + (notify ? "WM_CONVERT_NOTIFY " : "WM_CONVERT_ERROR ") +
                       CodeText(record.code);
    if (notify && record.code == 0) text += " " + record.path;
    Line(Stream::Err, text);
  }
  if (!notify) {
    const Explanation explanation = ExplainError(record.code);
    Line(Stream::Err, "folivex-convert: " + plan.input + ": error " + CodeText(record.code) + ": " +
                          explanation.meaning + "; " + explanation.advice);
  } else if (record.code == 0 && record.written) {
    if (!Quiet()) Line(Stream::Out, record.path);
  } else if (record.code == 0) {
    Line(Stream::Err,
         "folivex-convert: " + plan.input + ": " + record.path + " was announced but not written");
  }
}

void Report::Check(const InputPlan& plan, const std::string& caption, const std::string& text) {
  if (options_.json) {
    Line(Stream::Out, JsonHead("check", plan) + ",\"caption\":" + JsonString(caption) +
                          ",\"text\":" + JsonString(text) + ",\"answer\":\"yes\"}");
    return;
  }
  // The box's last line asks for an answer that the command gives itself.
  const std::string failure = text.substr(0, text.find('\n'));
  Line(Stream::Err, "folivex-convert: " + plan.input + ": a call to the word processor failed (" +
                        caption + failure + "); its step is ended");
}

void Report::Finished(const InputPlan& plan, const InputResult& result) {
  if (options_.json) {
    std::string line = JsonHead("input", plan) + ",\"outcome\":\"" + OutcomeName(result.outcome) +
                       "\",\"why\":" + JsonString(result.why) + ",\"result\":" +
                       (result.result ? std::to_string(*result.result) : std::string("null"));
    if (result.result) {
      line += ",\"range\":{\"PerPage\":" + std::to_string(result.range.PerPage) +
              ",\"FromPage\":" + std::to_string(result.range.FromPage) +
              ",\"ToPage\":" + std::to_string(result.range.ToPage) + "}";
    } else {
      line += ",\"range\":null";
    }
    line += ",\"folder\":" + JsonString(plan.folder) + ",\"prefix\":" + JsonString(plan.prefix) +
            ",\"files\":" + JsonArray(result.files, JsonString) +
            ",\"pages\":" + JsonArray(result.pages, [](int32_t p) { return std::to_string(p); }) +
            ",\"missing_files\":" + JsonArray(result.missingFiles, JsonString) +
            ",\"errors\":" + JsonArray(result.errors, CodeText) +
            ",\"seconds\":" + JsonSeconds(result.seconds) + "}";
    Line(Stream::Out, line);
    return;
  }

  if (Verbose() && result.result) {
    Line(Stream::Err, plan.input + ": FV_LoadFile returned " + std::to_string(*result.result) +
                          "; the range record reads PerPage " +
                          std::to_string(result.range.PerPage) + ", FromPage " +
                          std::to_string(result.range.FromPage) + ", ToPage " +
                          std::to_string(result.range.ToPage));
  }
  std::string written = Plural(result.files.size(), "file");
  if (!result.pages.empty()) {
    written +=
        ", " + std::string(result.pages.size() == 1 ? "page " : "pages ") + PageList(result.pages);
  } else if (!options_.perPage && !result.files.empty()) {
    written += " (the whole document)";
  }
  switch (result.outcome) {
    case Outcome::Converted:
      if (!Quiet()) Line(Stream::Err, plan.input + ": " + written + ", " + Seconds(result.seconds));
      break;
    case Outcome::Skipped:
      if (!Quiet()) Line(Stream::Err, plan.input + ": " + result.why + "; nothing written");
      break;
    case Outcome::Missing:
      Line(Stream::Err, "folivex-convert: " + plan.input + ": " + result.why);
      break;
    case Outcome::Failed:
      Line(Stream::Err, "folivex-convert: " + plan.input + ": failed: " + result.why + " (" +
                            written + ", " + Seconds(result.seconds) + ")");
      break;
  }
}

}  // namespace fvc
