#include "orvek_kernel/hom_vec4.hpp"

#include <cmath>

namespace orvek_kernel {

double HomVec4::norm() const noexcept { return std::sqrt(dot(*this, *this)); }

HomVec4 HomVec4::normalize() const noexcept {
  const double n = norm();
  if (n < ZERO_NORM) return {0.0, 0.0, 0.0, 1.0};
  // Four divisions, not one reciprocal and four products: the bits are specified.
  return {x / n, y / n, z / n, w / n};
}

std::array<double, 3> HomVec4::cartesian3() const noexcept {
  if (std::fabs(w) < W_EPS) {
    const double n = norm();
    if (n < ZERO_NORM) return {0.0, 0.0, 0.0};
    return {x / n, y / n, z / n};
  }
  return {x / w, y / w, z / w};
}

bool HomVec4::isSamePoint(HomVec4 a, HomVec4 b, double tol) noexcept {
  const double na = a.norm();
  const double nb = b.norm();
  if (na < tol || nb < tol) return false;
  const double c = std::fabs(dot(a, b)) / (na * nb);
  return c > 1.0 - tol;
}

bool HomVec4::isAntipodalTo(HomVec4 a, HomVec4 b, double tol) noexcept {
  return isSamePoint(a, {-b.x, -b.y, -b.z, -b.w}, tol);
}

AffineCard HomVec4::pickBestCard() const noexcept {
  const double aw = std::fabs(w);
  const double ax = std::fabs(x);
  const double ay = std::fabs(y);
  const double az = std::fabs(z);
  if (aw >= ax && aw >= ay && aw >= az) return AffineCard::UW;
  if (ax >= ay && ax >= az) return AffineCard::UX;
  if (ay >= az) return AffineCard::UY;
  return AffineCard::UZ;
}

}  // namespace orvek_kernel
