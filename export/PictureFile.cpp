#include "export/PictureFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <cpl_conv.h>
#include <cpl_vsi.h>
#include <gdal.h>

#include "hostlib/RenderOptions.h"

namespace lib3d {

namespace {

// The picture in the format's bytes, through GDAL's drivers into a memory file; empty on failure.
std::vector<unsigned char> encode(const Picture& picture, const PictureFormat& format) {
  GDALAllRegister();  // once per process; cheap after the first
  // No side-car .aux.xml for the memory file: nothing of it is kept. A value the calling thread
  // had set itself comes back afterwards.
  const char* had = CPLGetThreadLocalConfigOption("GDAL_PAM_ENABLED", nullptr);
  const std::optional<std::string> before = had ? std::optional<std::string>(had) : std::nullopt;
  CPLSetThreadLocalConfigOption("GDAL_PAM_ENABLED", "NO");
  std::vector<unsigned char> bytes;
  GDALDriverH mem = GDALGetDriverByName("MEM");
  GDALDriverH out = GDALGetDriverByName(format.driver);
  GDALDatasetH src = mem ? GDALCreate(mem, "", picture.width, picture.height, 3, GDT_Byte, nullptr) : nullptr;
  if (src && out &&
      GDALDatasetRasterIO(src, GF_Write, 0, 0, picture.width, picture.height,
                          const_cast<unsigned char*>(picture.rgb.data()), picture.width, picture.height, GDT_Byte, 3,
                          nullptr, 3, 3 * picture.width, 1) == CE_None) {
    static std::atomic<int> serial{0};
    const std::string name = "/vsimem/relief3d-picture-" + std::to_string(++serial);
    char** options = const_cast<char**>(format.options);  // GDAL's type; it changes none of them
    if (GDALDatasetH written = GDALCreateCopy(out, name.c_str(), src, FALSE, options, nullptr, nullptr)) {
      GDALClose(written);
      vsi_l_offset size = 0;
      if (GByte* data = VSIGetMemFileBuffer(name.c_str(), &size, FALSE)) bytes.assign(data, data + size);
    }
    VSIUnlink(name.c_str());
  }
  if (src) GDALClose(src);
  CPLSetThreadLocalConfigOption("GDAL_PAM_ENABLED", before ? before->c_str() : nullptr);
  return bytes;
}

mode_t current_umask() {
  const mode_t m = ::umask(022);
  ::umask(m);
  return m;
}

}  // namespace

PictureFile::~PictureFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!temp_.empty()) ::unlink(temp_.c_str());
}

bool PictureFile::open(const std::string& path, std::string& error, bool& bad_name) {
  bad_name = false;
  const PictureFormat* format = picture_format(path);
  if (!format) {
    bad_name = true;
    error = "cannot write " + path + ": the format follows the extension, which must be " + picture_extensions();
    return false;
  }
  const std::size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  struct stat st;
  if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    error = "cannot write " + path + ": is a directory";
    return false;
  }
  const std::string pattern = dir + "/." + base + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  fd_ = fd;
  temp_ = name.data();
  path_ = path;
  format_ = static_cast<int>(format - kPictureFormats);
  return true;
}

bool PictureFile::commit(const Picture& picture, std::string& error) {
  if (fd_ < 0 || picture.width <= 0 || picture.height <= 0) {
    error = "cannot write " + path_ + ": no picture";
    return false;
  }
  const std::vector<unsigned char> bytes = encode(picture, kPictureFormats[format_]);
  if (bytes.empty()) {
    error = "cannot write " + path_ + ": the picture could not be encoded";
    return false;
  }
  const std::size_t size = bytes.size();
  for (std::size_t done = 0; done < size;) {
    const ssize_t n = ::write(fd_, bytes.data() + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = "cannot write " + path_ + ": " + std::strerror(n < 0 ? errno : EIO);
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  ::fchmod(fd_, 0666 & ~current_umask());
  const int closed = ::close(fd_);
  fd_ = -1;
  if (closed != 0 || std::rename(temp_.c_str(), path_.c_str()) != 0) {
    error = "cannot write " + path_ + ": " + std::strerror(errno);
    return false;
  }
  temp_.clear();
  return true;
}

}  // namespace lib3d
