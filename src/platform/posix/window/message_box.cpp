// The message box of the POSIX windowing services. There is no desktop dialog to show, so
// the answer comes from whoever can give one, and never from a wait that cannot end.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "folivex_window.h"

namespace {

fvw_MessageBoxHook g_hook = nullptr;
void* g_hookContext = nullptr;

int AnswerFromWord(const char* word) {
  if (!word) return 0;
  std::string w(word);
  for (char& c : w) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (w == "yes" || w == "y") return IDYES;
  if (w == "no" || w == "n") return IDNO;
  if (w == "cancel" || w == "c") return IDCANCEL;
  return 0;
}

int AskOnTerminal(const char* text, const char* caption) {
  for (;;) {
    std::fprintf(stderr, "%s\n%s\n[Y]es / [N]o / [C]ancel? ", caption, text);
    std::fflush(stderr);
    char line[64];
    if (!std::fgets(line, sizeof line, stdin)) return IDYES;  // end of input: no one to ask
    line[std::strcspn(line, "\r\n")] = '\0';
    if (int answer = AnswerFromWord(line)) return answer;
  }
}

}  // namespace

extern "C" {

void fvw_SetMessageBoxHook(fvw_MessageBoxHook hook, void* context) {
  g_hook = hook;
  g_hookContext = context;
}

int MessageBoxA(HWND, const char* text, const char* caption, UINT flags) {
  text = text ? text : "";
  caption = caption ? caption : "";
  if (g_hook) {
    int answer = g_hook(text, caption, flags, g_hookContext);
    if (answer == IDYES || answer == IDNO || answer == IDCANCEL) return answer;
  }
  if (int answer = AnswerFromWord(std::getenv("FOLIVEX_CHECK_ANSWER"))) return answer;
  if (isatty(STDIN_FILENO) && isatty(STDERR_FILENO)) return AskOnTerminal(text, caption);
  std::fprintf(stderr, "%s\n%s\n(answered Yes: no one to ask)\n", caption, text);
  return IDYES;
}

}  // extern "C"
