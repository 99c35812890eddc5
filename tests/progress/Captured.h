// Runs a piece of work with stdout and stderr going to a file, to check what it printed.
#pragma once

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

namespace fv::testing {

template <typename Work>
std::string Captured(Work work) {
  char path[] = "/tmp/folivex-captured-XXXXXX";
  const int file = mkstemp(path);
  if (file < 0) return "(could not capture)";
  fflush(stdout);
  fflush(stderr);
  const int out = dup(1), err = dup(2);
  dup2(file, 1);
  dup2(file, 2);
  work();
  fflush(stdout);
  fflush(stderr);
  dup2(out, 1);
  dup2(err, 2);
  close(out);
  close(err);
  close(file);
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  unlink(path);
  return text.str();
}

}  // namespace fv::testing
