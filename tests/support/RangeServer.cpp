#include "tests/support/RangeServer.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace r3dtest {

RangeServer::RangeServer(const std::string& root) {
  char counts[] = "/tmp/r3d-range-requests.XXXXXX";  // never in `root`: it may be a source folder
  const int fd = ::mkstemp(counts);
  if (fd < 0) return;
  ::close(fd);
  counts_ = counts;
  int out[2];
  if (::pipe(out) != 0) return;
  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::close(out[0]);
    ::execlp("python3", "python3", R3D_SOURCE_DIR "/tests/support/range_server.py", root.c_str(), counts_.c_str(),
             static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(out[1]);
  // Up to the newline: the number and the newline may come in two writes.
  std::string line;
  char c;
  while (pid_ > 0 && line.size() < 16 && ::read(out[0], &c, 1) == 1 && c != '\n') line += c;
  port_ = std::atoi(line.c_str());
  ::close(out[0]);
}

RangeServer::~RangeServer() {
  if (!counts_.empty()) ::unlink(counts_.c_str());
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  ::waitpid(pid_, nullptr, 0);
}

std::string RangeServer::url(const std::string& name) const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/" + name;
}

int RangeServer::rangeRequests() const {
  std::ifstream in(counts_);
  int n = 0;
  for (std::string line; std::getline(in, line);) ++n;
  return n;
}

long long RangeServer::rangeBytes() const {
  std::ifstream in(counts_);
  long long sum = 0;
  for (long long bytes; in >> bytes;) sum += bytes;
  return sum;
}

}  // namespace r3dtest
