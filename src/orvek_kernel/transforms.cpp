#include "orvek_kernel/transforms.hpp"

#include <cmath>

namespace orvek_kernel {

PGL4 pglTranslate(double tx, double ty, double tz) noexcept {
  return PGL4::init({1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, tx, ty, tz, 1.0});
}

PGL4 pglScale(double sx, double sy, double sz) noexcept {
  return PGL4::init({sx, 0.0, 0.0, 0.0, 0.0, sy, 0.0, 0.0, 0.0, 0.0, sz, 0.0, 0.0, 0.0, 0.0, 1.0});
}

PGL4 pglRotateZ(double angle) noexcept {
  // cos first, then sin; -s is a sign flip, so s = +0 gives -0 at (0, 1).
  const double c = std::cos(angle);
  const double s = std::sin(angle);
  return PGL4::init({c, s, 0.0, 0.0, -s, c, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0});
}

}  // namespace orvek_kernel
