#include "tests/support/RangeServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace r3dtest {
namespace {

bool send_all(int fd, const char* data, std::size_t size) {
  for (ssize_t n = 0; size > 0; data += n, size -= static_cast<std::size_t>(n))
    if ((n = ::send(fd, data, size, MSG_NOSIGNAL)) <= 0) return false;
  return true;
}

}  // namespace

RangeServer::RangeServer(std::string root) : root_(std::move(root)) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 8) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    ::close(fd);
    return;
  }
  fd_ = fd;
  port_ = ntohs(addr.sin_port);
  thread_ = std::thread([this] { run(); });
}

RangeServer::~RangeServer() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (fd_ >= 0) ::close(fd_);
}

std::string RangeServer::url(const std::string& name) const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/" + name;
}

void RangeServer::run() {
  while (!stop_) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    const int client = ::accept(fd_, nullptr, nullptr);
    if (client < 0) continue;
    answer(client);
    ::close(client);
  }
}

void RangeServer::answer(int client) {
  std::string request;
  char buf[4096];
  for (ssize_t n = 0; request.find("\r\n\r\n") == std::string::npos && request.size() < 65536; request.append(buf, n)) {
    pollfd p{client, POLLIN, 0};
    if (::poll(&p, 1, 2000) <= 0 || (n = ::recv(client, buf, sizeof buf, 0)) <= 0) return;
  }
  std::istringstream lines(request);
  std::string method, target, line;
  lines >> method >> target;
  long long first = -1, last = -1;
  bool ranged = false;
  while (std::getline(lines, line))
    if (line.compare(0, 13, "Range: bytes=") == 0 || line.compare(0, 13, "range: bytes=") == 0) {
      if (line[13] == '-') first = -std::atoll(line.c_str() + 14);  // a suffix: the last n bytes
      ranged = line[13] == '-' || std::sscanf(line.c_str() + 13, "%lld-%lld", &first, &last) >= 1;
    }
  std::ifstream in(root_ + "/" + (target.empty() ? "" : target.substr(1)), std::ios::binary);
  const std::string body((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const long long size = static_cast<long long>(body.size());
  if (ranged && first < 0) first = std::max(0LL, size + first), last = size - 1;
  if (last < 0 || last >= size) last = size - 1;
  std::ostringstream head;
  std::size_t from = 0, count = 0;
  if (!in.is_open() || target.find("..") != std::string::npos || target.find('/', 1) != std::string::npos) {
    head << "HTTP/1.1 404 Not Found\r\n";
  } else if (!ranged) {
    head << "HTTP/1.1 200 OK\r\n", count = body.size();
  } else if (first >= size || first > last) {
    head << "HTTP/1.1 416 Range Not Satisfiable\r\nContent-Range: bytes */" << size << "\r\n";
  } else {
    ++ranges_;
    from = static_cast<std::size_t>(first), count = static_cast<std::size_t>(last - first + 1);
    head << "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes " << first << "-" << last << "/" << size << "\r\n";
  }
  head << "Content-Length: " << count << "\r\nAccept-Ranges: bytes\r\nContent-Type: application/octet-stream\r\n"
       << "Connection: close\r\n\r\n";
  const std::string h = head.str();
  if (send_all(client, h.data(), h.size()) && method != "HEAD" && count > 0) send_all(client, body.data() + from, count);
}

}  // namespace r3dtest
