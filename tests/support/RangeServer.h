#pragma once
// An HTTP file server on 127.0.0.1 for tests of remote rasters (tests/support/range_server.py, run
// as a child process): GET and HEAD with single byte ranges, each ranged answer counted.
#include <sys/types.h>

#include <string>

namespace r3dtest {

class RangeServer {
public:
  explicit RangeServer(const std::string& root);  // serves the files directly in `root`
  ~RangeServer();
  RangeServer(const RangeServer&) = delete;
  RangeServer& operator=(const RangeServer&) = delete;

  bool ok() const { return port_ > 0; }
  std::string url(const std::string& name) const;  // http://127.0.0.1:PORT/name
  int rangeRequests() const;
  long long rangeBytes() const;  // sent in answer to them

private:
  std::string counts_;
  pid_t pid_ = -1;
  int port_ = 0;
};

}  // namespace r3dtest
