#pragma once
// Runs a shell command for a test and keeps what it printed.
#include <string>

namespace r3dtest {

struct Outcome {
  int status = -1;  // exit status; -1 when it did not exit normally
  std::string out;  // standard output and standard error together
};

Outcome RunCommand(const std::string& cmd);

}  // namespace r3dtest
