#include "module/PictureFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <vector>

#include <wx/image.h>
#include <wx/log.h>
#include <wx/mstream.h>

namespace lib3d {

namespace {

wxBitmapType type_for(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return wxBITMAP_TYPE_INVALID;
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == "png") return wxBITMAP_TYPE_PNG;
  if (ext == "jpg" || ext == "jpeg") return wxBITMAP_TYPE_JPEG;
  if (ext == "tif" || ext == "tiff") return wxBITMAP_TYPE_TIFF;
  return wxBITMAP_TYPE_INVALID;
}

void ensure_handler(wxBitmapType type) {
  if (wxImage::FindHandler(type)) return;
  if (type == wxBITMAP_TYPE_PNG) wxImage::AddHandler(new wxPNGHandler);
  if (type == wxBITMAP_TYPE_JPEG) wxImage::AddHandler(new wxJPEGHandler);
  if (type == wxBITMAP_TYPE_TIFF) wxImage::AddHandler(new wxTIFFHandler);
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
  const wxBitmapType type = type_for(path);
  if (type == wxBITMAP_TYPE_INVALID) {
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
  type_ = static_cast<int>(type);
  return true;
}

bool PictureFile::commit(const Picture& picture, std::string& error) {
  if (fd_ < 0 || picture.width <= 0 || picture.height <= 0) {
    error = "cannot write " + path_ + ": no picture";
    return false;
  }
  const wxBitmapType type = static_cast<wxBitmapType>(type_);
  ensure_handler(type);
  // wxImage takes ownership of malloc'ed data only; a copy keeps the picture's own buffer.
  wxImage image(picture.width, picture.height, false);
  std::memcpy(image.GetData(), picture.rgb.data(), picture.rgb.size());
  if (type == wxBITMAP_TYPE_JPEG) image.SetOption(wxIMAGE_OPTION_QUALITY, 92);
  wxMemoryOutputStream encoded;
  {
    wxLogNull quiet;  // wx would report through its log (a dialog in a GUI program)
    if (!image.SaveFile(encoded, type)) {
      error = "cannot write " + path_ + ": the picture could not be encoded";
      return false;
    }
  }
  const std::size_t size = static_cast<std::size_t>(encoded.GetLength());
  std::vector<char> bytes(size);
  encoded.CopyTo(bytes.data(), size);
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
