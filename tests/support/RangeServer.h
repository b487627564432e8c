#pragma once
// A small HTTP/1.1 file server on 127.0.0.1 for tests of remote rasters: GET and HEAD with single
// byte ranges ("Range: bytes=a-b", "a-", "-n"), one connection at a time, closed after each answer.
#include <atomic>
#include <string>
#include <thread>

namespace r3dtest {

class RangeServer {
public:
  explicit RangeServer(std::string root);  // serves the files directly in `root`
  ~RangeServer();
  RangeServer(const RangeServer&) = delete;
  RangeServer& operator=(const RangeServer&) = delete;

  bool ok() const { return fd_ >= 0; }
  std::string url(const std::string& name) const;  // http://127.0.0.1:PORT/name
  int rangeRequests() const { return ranges_; }

private:
  void run();
  void answer(int client);
  std::string root_;
  int fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> ranges_{0};
  std::thread thread_;
};

}  // namespace r3dtest
