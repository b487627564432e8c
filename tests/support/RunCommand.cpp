#include "tests/support/RunCommand.h"

#include <cstdio>
#include <sys/wait.h>

namespace r3dtest {

Outcome RunCommand(const std::string& cmd) {
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
