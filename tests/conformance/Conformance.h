// The fixture of the conformance tests: a host that loads the library, the scripted server
// registered as the word processor, and a folder for sources and output.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScriptedServer.h"
#include "TestHost.h"
#include "registration.h"

namespace fv::testing {

class ConformanceTest : public ::testing::Test {
 public:
  ConformanceTest() {
    scripted::Reset();
    Registration registration;
    registration.serverPath = FOLIVEX_SCRIPTED_SERVER_PATH;
    RegisterForTest(folder / "registry", registration);
    host.Initialization(host.Window());
    out = folder / "out";
    EXPECT_EQ(host.SetSavePath(out.c_str()), 1);
  }
  ~ConformanceTest() override { UnregisterForTest(); }

  // A source document of the scripted server: one text per page.
  std::string Source(const std::string& name, const std::vector<std::string>& pages) {
    std::string content;
    for (size_t i = 0; i < pages.size(); ++i) content += (i ? "\f" : "") + pages[i];
    return folder.Write(name, content);
  }
  // A source of n pages whose page k reads "page k.".
  std::string Pages(const std::string& name, int n) {
    std::vector<std::string> pages;
    for (int k = 1; k <= n; ++k) pages.push_back("page " + std::to_string(k) + ".");
    return Source(name, pages);
  }
  // Paths of the files expected in the output folder for these numbers.
  std::vector<std::string> OutputFiles(const std::vector<int>& numbers,
                                       const std::string& prefix = "") const {
    std::vector<std::string> names;
    for (int n : numbers) {
      char digits[32];
      std::snprintf(digits, sizeof digits, "%06d", n);
      names.push_back(prefix + digits + ".htm");
    }
    return names;
  }
  // The notifications of the files written for these numbers, then the end.
  std::vector<Message> Written(const std::vector<int>& numbers, bool finished = true,
                               const std::string& prefix = "") const {
    std::vector<Message> messages;
    for (const auto& name : OutputFiles(numbers, prefix)) {
      messages.push_back(Notify(0, 0, JoinPath(out, name)));
    }
    if (finished) messages.push_back(Notify(1, 1));
    return messages;
  }

  // Every failed check is answered Yes, the answer that ends its step.
  MessageBoxAnswerer answerer{IDYES};
  TempFolder folder;
  TestHost host;
  std::string out;
};

}  // namespace fv::testing
