#include "export/PictureFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <cpl_conv.h>
#include <cpl_vsi.h>
#include <gdal.h>

namespace lib3d {

namespace {

enum Format { kNone, kPng, kJpeg, kTiff };

Format format_for(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return kNone;
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == "png") return kPng;
  if (ext == "jpg" || ext == "jpeg") return kJpeg;
  if (ext == "tif" || ext == "tiff") return kTiff;
  return kNone;
}

// The picture in the format's bytes, through GDAL's drivers into a memory file; empty on failure.
std::vector<unsigned char> encode(const Picture& picture, Format format) {
  GDALAllRegister();  // once per process; cheap after the first
  // No side-car .aux.xml for the memory file: nothing of it is kept. A value the calling thread
  // had set itself comes back afterwards.
  const char* had = CPLGetThreadLocalConfigOption("GDAL_PAM_ENABLED", nullptr);
  const std::optional<std::string> before = had ? std::optional<std::string>(had) : std::nullopt;
  CPLSetThreadLocalConfigOption("GDAL_PAM_ENABLED", "NO");
  std::vector<unsigned char> bytes;
  GDALDriverH mem = GDALGetDriverByName("MEM");
  GDALDriverH out = GDALGetDriverByName(format == kPng ? "PNG" : format == kJpeg ? "JPEG" : "GTiff");
  GDALDatasetH src = mem ? GDALCreate(mem, "", picture.width, picture.height, 3, GDT_Byte, nullptr) : nullptr;
  if (src && out &&
      GDALDatasetRasterIO(src, GF_Write, 0, 0, picture.width, picture.height,
                          const_cast<unsigned char*>(picture.rgb.data()), picture.width, picture.height, GDT_Byte, 3,
                          nullptr, 3, 3 * picture.width, 1) == CE_None) {
    static std::atomic<int> serial{0};
    const std::string name = "/vsimem/relief3d-picture-" + std::to_string(++serial);
    // zlib level 3: a third of level 6's time for a few percent more bytes on rendered reliefs.
    const char* png[] = {"ZLEVEL=3", nullptr};
    const char* jpeg[] = {"QUALITY=92", nullptr};
    const char* tiff[] = {"COMPRESS=LZW", "PHOTOMETRIC=RGB", nullptr};
    char** options = const_cast<char**>(format == kPng ? png : format == kJpeg ? jpeg : tiff);
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
  const Format format = format_for(path);
  if (format == kNone) {
    bad_name = true;
    error = "cannot write " + path + ": the format follows the extension, which must be .png, .jpg, .jpeg, .tif or .tiff";
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
  format_ = format;
  return true;
}

bool PictureFile::commit(const Picture& picture, std::string& error) {
  if (fd_ < 0 || picture.width <= 0 || picture.height <= 0) {
    error = "cannot write " + path_ + ": no picture";
    return false;
  }
  const std::vector<unsigned char> bytes = encode(picture, static_cast<Format>(format_));
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
