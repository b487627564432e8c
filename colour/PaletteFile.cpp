#include "colour/PaletteFile.h"
#include "colour/PaletteLogic.h"

#include <cerrno>
#include <climits>
#include <limits.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <istream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace lib3d {
namespace palette {
namespace {

const char kHeading[] = "PALETTE (index R G B)";
const char* const kKeys[4] = {"inHistmin", "inHistmax", "outHistmin", "outHistmax"};

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// Parses an optionally signed decimal integer at text[i..]; on success advances i past it.
bool parse_int(const std::string& text, std::size_t& i, long long& value) {
  std::size_t j = i;
  bool negative = false;
  if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
    negative = text[j] == '-';
    ++j;
  }
  const std::size_t digitsStart = j;
  long long v = 0;
  while (j < text.size() && text[j] >= '0' && text[j] <= '9') {
    v = v * 10 + (text[j] - '0');
    if (v > static_cast<long long>(INT_MAX) + 1) return false;  // beyond 32 bits
    ++j;
  }
  if (j == digitsStart) return false;
  v = negative ? -v : v;
  if (v > INT_MAX || v < INT_MIN) return false;
  value = v;
  i = j;
  return true;
}

bool get_line(std::istream& in, std::string& line) {
  if (!std::getline(in, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();  // a file written on Windows
  return true;
}

// The value between the first single quote of `line` and the next one: blanks, an integer, blanks.
ReadError quoted_value(const std::string& line, int& value) {
  const std::size_t open = line.find('\'');
  if (open == std::string::npos) return ReadError::MissingQuotes;
  const std::size_t close = line.find('\'', open + 1);
  if (close == std::string::npos) return ReadError::MissingQuotes;
  const std::string text = line.substr(open + 1, close - open - 1);
  std::size_t i = 0;
  while (i < text.size() && is_blank(text[i])) ++i;
  long long v = 0;
  if (!parse_int(text, i, v)) return ReadError::BadRangeValue;
  while (i < text.size() && is_blank(text[i])) ++i;
  if (i != text.size() || v < 0 || v > 255) return ReadError::BadRangeValue;
  value = static_cast<int>(v);
  return ReadError::None;
}

// "index red green blue" separated by white space; nothing but white space after the fourth number.
bool palette_line(const std::string& line, long long numbers[4]) {
  std::size_t i = 0;
  for (int n = 0; n < 4; ++n) {
    const std::size_t before = i;
    while (i < line.size() && is_blank(line[i])) ++i;
    if (n > 0 && i == before) return false;  // numbers must be separated
    if (!parse_int(line, i, numbers[n])) return false;
  }
  while (i < line.size() && is_blank(line[i])) ++i;
  return i == line.size();
}

}  // namespace

std::string format_palette_file(const PaletteFileData& data) {
  std::string s;
  s.reserve(262 * 16);
  char buf[64];
  s += "[Palette file]\n";
  const int values[4] = {data.inMin, data.inMax, data.outMin, data.outMax};
  for (int k = 0; k < 4; ++k) {
    std::snprintf(buf, sizeof buf, "%s = '%d'\n", kKeys[k], values[k]);
    s += buf;
  }
  s += kHeading;
  s += '\n';
  for (int i = 0; i < 256; ++i) {
    const std::uint32_t c = data.palette[i];
    std::snprintf(buf, sizeof buf, "%d %u %u %u\n", i, c & 0xFFu, (c >> 8) & 0xFFu, (c >> 16) & 0xFFu);
    s += buf;
  }
  return s;
}

ReadError read_palette_file(std::istream& in, PaletteFileData& out) {
  PaletteFileData result;
  int* const targets[4] = {&result.inMin, &result.inMax, &result.outMin, &result.outMax};
  std::string line;
  for (int k = 0; k < 4; ++k) {
    bool found = false;
    while (get_line(in, line)) {
      if (line.find(kKeys[k]) != std::string::npos) {
        found = true;
        break;
      }
    }
    if (!found) return ReadError::MissingKey;
    const ReadError e = quoted_value(line, *targets[k]);
    if (e != ReadError::None) return e;
  }
  bool heading = false;
  while (get_line(in, line)) {
    if (line.find(kHeading) != std::string::npos) {
      heading = true;
      break;
    }
  }
  if (!heading) return ReadError::MissingHeading;

  bool named[256] = {};
  for (int n = 0; n < 256; ++n) {
    if (!get_line(in, line)) return ReadError::ShortPalette;
    long long v[4];
    if (!palette_line(line, v)) return ReadError::BadPaletteLine;
    if (v[0] < 0 || v[0] > 255) return ReadError::BadIndex;
    // Low 8 bits of each component, two's complement as the colour word takes them.
    const auto low = [](long long x) { return static_cast<std::uint32_t>(static_cast<unsigned long long>(x) & 0xFFu); };
    result.palette[static_cast<int>(v[0])] = low(v[1]) | (low(v[2]) << 8) | (low(v[3]) << 16);
    named[v[0]] = true;
  }
  for (bool b : named)
    if (!b) return ReadError::MissingEntry;
  out = result;
  return ReadError::None;
}

ReadError read_palette_file(const std::string& contents, PaletteFileData& out) {
  std::istringstream in(contents);
  return read_palette_file(in, out);
}

FileRefusal read_small_file(const std::string& path, std::string& text, std::string& system) {
  // Non-blocking, so that a FIFO without a writer does not hang the open; only a regular file of
  // plausible size is then read at all, and never past that size.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    system = std::strerror(errno);
    return FileRefusal::Unreadable;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return FileRefusal::NotRegular;
  }
  if (st.st_size > static_cast<off_t>(kMaxPaletteFileBytes)) {
    ::close(fd);
    system = std::to_string(st.st_size) + " bytes";
    return FileRefusal::TooLarge;
  }
  text.assign(kMaxPaletteFileBytes + 1, '\0');
  std::size_t got = 0;
  while (got < text.size()) {
    const ssize_t n = ::read(fd, &text[got], text.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      system = std::strerror(errno);
      ::close(fd);
      text.clear();
      return FileRefusal::Unreadable;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (got > kMaxPaletteFileBytes) {  // grew while read
    text.clear();
    return FileRefusal::TooLarge;
  }
  text.resize(got);
  return FileRefusal::None;
}

bool load_palette_file(const std::string& path, PaletteFileData& out, std::string* cause) {
  auto refuse = [&](const std::string& why) {
    if (cause) *cause = path + ": " + why;
    return false;
  };
  std::string text, system;
  switch (read_small_file(path, text, system)) {
    case FileRefusal::None: break;
    case FileRefusal::Unreadable: return refuse(system);
    case FileRefusal::NotRegular: return refuse("not a regular file");
    case FileRefusal::TooLarge:
      return refuse(system.empty() ? "larger than any palette file" : "larger than any palette file (" + system + ")");
  }
  if (read_palette_file(text, out) != ReadError::None) return refuse("not a palette file");
  return true;
}

namespace {

// The file a path finally names: symbolic links are followed, also when the last one dangles
// (saving then creates its target). Relative link texts are taken from the link's directory.
std::string final_target(std::string path) {
  for (int hop = 0; hop < 40; ++hop) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::vector<char> buf(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
    const ssize_t n = ::readlink(path.c_str(), buf.data(), buf.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buf.size()) return path;
    const std::string link(buf.data(), static_cast<std::size_t>(n));
    const std::size_t slash = path.rfind('/');
    path = link[0] == '/' || slash == std::string::npos ? link : path.substr(0, slash + 1) + link;
  }
  return path;  // a loop: the open below fails with ELOOP
}

bool write_all(int fd, const std::string& bytes, const WriteFunction& write) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write ? write(fd, bytes.data() + done, bytes.size() - done)
                            : ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Past a file-size limit the kernel sends SIGXFSZ, whose default action ends the process; ignored,
// the write fails with EFBIG and the save is refused like any failed write. A handler that the
// host installed is left alone.
void survive_file_size_limit() {
  struct sigaction old;
  if (::sigaction(SIGXFSZ, nullptr, &old) == 0 && old.sa_handler == SIG_DFL) ::signal(SIGXFSZ, SIG_IGN);
}

// A file with other names (hard links) is rewritten in place, so that every name keeps showing the
// same file; a rename would leave the other names on the old contents. The old bytes are written
// back when the rewrite fails, which is what can be done without a rename.
bool rewrite_in_place(const std::string& target, const std::string& bytes, const WriteFunction& write) {
  const int fd = ::open(target.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return false;
  struct stat st;
  std::string old;
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= static_cast<off_t>(kMaxPaletteFileBytes);
  if (ok) {
    old.resize(static_cast<std::size_t>(st.st_size));
    ok = ::pread(fd, &old[0], old.size(), 0) == static_cast<ssize_t>(old.size());
  }
  if (!ok) {
    ::close(fd);
    return false;
  }
  ok = ::lseek(fd, 0, SEEK_SET) == 0 && write_all(fd, bytes, write) &&
       ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && ::fsync(fd) == 0;
  if (!ok && ::lseek(fd, 0, SEEK_SET) == 0 && write_all(fd, old, WriteFunction()) &&
      ::ftruncate(fd, static_cast<off_t>(old.size())) == 0)
    ::fsync(fd);
  if (::close(fd) != 0) ok = false;
  return ok;
}

void sync_directory(const std::string& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

bool save_palette_file(const std::string& path, const PaletteFileData& data, const WriteFunction& write) {
  return save_text_file(path, format_palette_file(data), write);
}

bool save_text_file(const std::string& path, const std::string& bytes, const WriteFunction& write) {
  if (path.empty()) return false;
  survive_file_size_limit();
  const std::string target = final_target(path);

  struct stat st;
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists) {
    if (!S_ISREG(st.st_mode)) return false;
    // Read-only is refused as opening for writing would refuse it, and for every user alike when
    // the file has no write permission at all (root could open it anyway).
    if ((st.st_mode & 0222) == 0) return false;
    const int probe = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (probe < 0) return false;
    ::close(probe);
    if (st.st_nlink > 1) return rewrite_in_place(target, bytes, write);
  }

  const std::size_t slash = target.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string(".") : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  if (name.empty()) return false;
  std::string temp = (slash == std::string::npos ? std::string() : dir) + "." + name + ".XXXXXX";
  std::vector<char> tempBuf(temp.begin(), temp.end());
  tempBuf.push_back('\0');
  const int fd = ::mkostemp(tempBuf.data(), O_CLOEXEC);
  if (fd < 0) return false;
  temp = tempBuf.data();

  // Owner and group of the file being replaced where we may set them (group alone when only that
  // is allowed), then its permissions, which a change of owner may have cleared; a new file gets
  // what a plain create would give.
  mode_t mode;
  if (exists) {
    if (::fchown(fd, st.st_uid, st.st_gid) != 0) (void)::fchown(fd, static_cast<uid_t>(-1), st.st_gid);
    mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }

  bool ok = ::fchmod(fd, mode) == 0 && write_all(fd, bytes, write) && ::fsync(fd) == 0;
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(temp.c_str(), target.c_str()) != 0) ok = false;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  sync_directory(dir);
  return true;
}

std::string directory_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t back = path.rfind('\\');
  std::size_t sep;
  if (slash != std::string::npos && (back == std::string::npos || slash > back)) sep = slash;
  else sep = back;
  if (sep == std::string::npos) return std::string();
  return path.substr(0, sep);
}

std::vector<std::uint32_t> view_palette(const PaletteFileData* file, int baseKind) {
  Palette256 p;
  p.fill(0xFFFFFFu);
  if (file)
    p = map_levels(file->palette, file->inMin, file->inMax, file->outMin, file->outMax);
  else if (baseKind >= 0)
    p = build_base_palette(baseKind, p, 0, 255, 0xFFFFFFu);
  return std::vector<std::uint32_t>(p.begin(), p.end());
}

}  // namespace palette
}  // namespace lib3d
