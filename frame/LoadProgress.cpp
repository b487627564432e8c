#include "frame/LoadProgress.h"

#include <algorithm>
#include <utility>

namespace lib3d {

LoadProgress::LoadProgress(Show show, double readShare)
    : show_(std::move(show)), readShare_(std::clamp(readShare, 0.0, 1.0)) {}

void LoadProgress::read(std::size_t done, std::size_t total) { advance(0.0, readShare_, done, total); }

void LoadProgress::compile(std::size_t done, std::size_t total) {
  advance(readShare_, 1.0 - readShare_, done, total);
}

void LoadProgress::advance(double from, double share, std::size_t done, std::size_t total) {
  const double part = total == 0 ? 1.0 : std::min(1.0, static_cast<double>(done) / static_cast<double>(total));
  const int v = static_cast<int>((from + share * part) * kScale);
  // A gauge that runs backwards reads as a fault; a phase reported late cannot move it back.
  if (v <= value_) return;
  value_ = std::min(v, kScale);
  if (show_) show_(value_);
}

}  // namespace lib3d
