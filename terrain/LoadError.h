#pragma once
// Why a relief, a texture or a palette could not be loaded: one value from the point of failure to
// the message a user reads (a one-line message on the command line, the extended text under the
// window's "The file is not correct!").
#include <string>

namespace lib3d {

struct LoadError {
  enum class Kind {
    None,
    File,      // the file itself: missing, unreadable, a directory, not a raster, a row that fails
    Factors,   // a compression factor of 0
    Memory,    // the grid would not fit in memory; the detail names factors that fit
    Mismatch,  // texture channels or texture and relief disagree in size or pixel kind
    Empty,     // no cells left after reduction
  };
  Kind kind = Kind::None;
  std::string path;    // the file concerned; empty when the cause is no single file's
  std::string detail;  // the cause in words, one line, no trailing period
  std::string input;   // what was being loaded: "relief", "texture", "palette"

  explicit operator bool() const { return kind != Kind::None; }
  // "PATH: detail", or the detail alone.
  std::string line() const { return path.empty() ? detail : path + ": " + detail; }
  // "cannot read relief PATH: detail"; mismatches and empty grids speak for themselves.
  std::string message() const {
    if (kind == Kind::Mismatch && path.empty()) return detail;
    if (kind == Kind::Empty) return input + " " + path + " " + detail;
    return "cannot read " + input + " " + line();
  }
};

// Stores the refusal (when asked for) and gives false, for `return refuse(...)`.
inline bool refuse(LoadError* error, LoadError::Kind kind, std::string path, std::string detail) {
  if (error) *error = LoadError{kind, std::move(path), std::move(detail), std::string()};
  return false;
}

}  // namespace lib3d
