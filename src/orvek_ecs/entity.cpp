#include "orvek_ecs/entity.hpp"

#include <cmath>

#include "orvek_ecs/checked.hpp"
#include "orvek_kernel/fs_metric.hpp"

namespace orvek_ecs {
namespace {

using orvek_kernel::HomVec4;

using orvek_kernel::ZERO_NORM;

// The largest coordinate magnitude of v (v has finite coordinates).
double largestMagnitude(HomVec4 v) noexcept {
  double m = std::fabs(v.x);
  m = std::fmax(m, std::fabs(v.y));
  m = std::fmax(m, std::fabs(v.z));
  return std::fmax(m, std::fabs(v.w));
}

}  // namespace

void Entity::activate() noexcept {
  if (state != EntityState::init && state != EntityState::inactive) return;
  checkedIncrement(version);
  state = EntityState::active;
}

void Entity::deactivate() noexcept {
  if (state != EntityState::active) return;
  checkedIncrement(version);
  state = EntityState::deactivating;
}

void Entity::setPosition(HomVec4 pos) noexcept {
  // The counter is checked before anything changes, so a stopped call leaves no half update.
  const std::uint64_t next_version = checkedAdd(version, std::uint64_t{1});
  const double n = pos.norm();
  if (n > ZERO_NORM && std::isfinite(n)) {
    position = pos.normalize();
  } else if (n > ZERO_NORM) {
    // The squares overflowed. With finite coordinates the point is still a point: scale it
    // so the largest coordinate is 1 and normalise that, instead of storing 0/∞ or ∞/∞.
    const double m = largestMagnitude(pos);
    if (std::isfinite(m)) position = HomVec4::init(pos.x / m, pos.y / m, pos.z / m, pos.w / m).normalize();
  }
  version = next_version;
}

void Entity::setWorldTransform(const orvek_kernel::PGL4& m) noexcept {
  const std::uint64_t next_version = checkedAdd(version, std::uint64_t{1});
  world_transform = m;
  version = next_version;
}

double Entity::distanceTo(const Entity& other) const noexcept {
  return orvek_kernel::fsDistance(position, other.position);
}

}  // namespace orvek_ecs
