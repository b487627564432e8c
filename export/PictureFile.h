#pragma once
// A picture file written whole or not at all, in the format its extension names.
#include <string>

#include "render/Renderer.h"

namespace lib3d {

class PictureFile {
public:
  PictureFile() = default;
  ~PictureFile();  // removes the temporary file unless the picture was committed
  PictureFile(const PictureFile&) = delete;
  PictureFile& operator=(const PictureFile&) = delete;

  // Checks the format and reserves a temporary file beside `path`, so that an unwritable folder
  // is found before any work is done. `bad_name` tells a refused extension from a folder problem.
  bool open(const std::string& path, std::string& error, bool& bad_name);
  // Encodes the picture into the temporary file and renames it over `path`.
  bool commit(const Picture& picture, std::string& error);

private:
  std::string path_, temp_;
  int format_ = 0;  // in kPictureFormats
  int fd_ = -1;
};

}  // namespace lib3d
