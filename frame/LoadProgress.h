#pragma once
// How far a long load has come, as one value on a fixed scale for a status-bar gauge: reading the
// file fills the first share of the scale, compiling the surface the rest. Steps that would not
// move the value are not passed on, so a gauge is redrawn at most kScale times a load.
#include <cstddef>
#include <functional>

namespace lib3d {

class LoadProgress {
public:
  static constexpr int kScale = 1000;
  using Show = std::function<void(int value)>;

  // `readShare` (0..1) of the scale belongs to the read, the remainder to the compile.
  LoadProgress(Show show, double readShare);

  void read(std::size_t done, std::size_t total);
  void compile(std::size_t done, std::size_t total);
  int value() const { return value_; }

private:
  void advance(double from, double share, std::size_t done, std::size_t total);

  Show show_;
  double readShare_;
  int value_ = 0;
};

}  // namespace lib3d
