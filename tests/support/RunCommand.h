#pragma once
// Runs a shell command for a test and keeps what it printed.
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace r3dtest {

struct Outcome {
  int status = -1;  // exit status; -1 when it did not exit normally
  std::string out;  // standard output and standard error together
};

inline Outcome RunCommand(const std::string& cmd) {
  Outcome r;
  FILE* p = popen((cmd + " 2>&1").c_str(), "r");
  if (!p) return r;
  char buf[512];
  while (fgets(buf, sizeof buf, p)) r.out += buf;
  const int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

}  // namespace r3dtest
