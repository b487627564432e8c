#pragma once
// A drag of the relief view: the press point, two linear maps from the pointer's offset to two
// values, and the setter that receives them. Every move maps from the press point and the values
// captured at the press, so rounding does not build up over a long drag.
#include <boost/function.hpp>

#include "render/ViewMath.h"

namespace lib3d {

class MouseDrag {
public:
  using Target = boost::function<void(double, double)>;

  MouseDrag(int start_x, int start_y, const viewmath::LinearMap& map_x,
            const viewmath::LinearMap& map_y)
      : start_x_(start_x), start_y_(start_y), map_x_(map_x), map_y_(map_y) {}

  void set_target(const Target& target) { target_ = target; }

  void move(int x, int y) const {
    // Offsets of two ints can exceed int; take them in 64 bits before widening to double.
    const double dx = static_cast<double>(static_cast<long long>(x) - start_x_);
    const double dy = static_cast<double>(static_cast<long long>(y) - start_y_);
    const double vx = map_x_(dx);
    const double vy = map_y_(dy);
    if (target_) target_(vx, vy);
  }

  int start_x() const { return start_x_; }
  int start_y() const { return start_y_; }

private:
  int start_x_, start_y_;
  viewmath::LinearMap map_x_, map_y_;
  Target target_;
};

}  // namespace lib3d
