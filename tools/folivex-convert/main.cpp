// folivex-convert: converts Word documents to HTML files with the Folivex library, as a host
// of the library that a person runs from a shell or a script.
#include <cstdio>
#include <cstdlib>

#include "batch.h"
#include "options.h"

int main(int argc, char** argv) {
  const fvc::ParsedCommandLine parsed = fvc::ParseCommandLine(argc, argv);
  std::string error = parsed.error;
  switch (parsed.kind) {
    case fvc::ParsedCommandLine::Kind::Help:
      std::fputs(fvc::HelpText().c_str(), stdout);
      return 0;
    case fvc::ParsedCommandLine::Kind::Version:
      std::fputs(fvc::VersionText().c_str(), stdout);
      return 0;
    case fvc::ParsedCommandLine::Kind::Run:
      // One office cannot serve several jobs: the documents of one would be the others'.
      if (parsed.options.jobs > 1 && std::getenv("FOLIVEX_OFFICE_PIPE")) {
        error =
            "FOLIVEX_OFFICE_PIPE names one office, which cannot serve several jobs; "
            "unset it or convert with --jobs 1";
        break;
      }
      return fvc::RunBatch(parsed.options);
    case fvc::ParsedCommandLine::Kind::UsageError:
      break;
  }
  std::fprintf(stderr, "folivex-convert: %s\nTry 'folivex-convert --help' for more information.\n",
               error.c_str());
  return 2;
}
