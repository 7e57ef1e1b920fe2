#include "orvek_ecs/world.hpp"

#include <cmath>
#include <cstddef>
#include <new>
#include <numbers>
#include <span>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "orvek_ecs/checked.hpp"
#include "orvek_kernel/fs_metric.hpp"

// The lane helpers pass 4-lane vectors by value. They have internal linkage and are always
// inlined, so the calling convention that -Wpsabi warns about (32-byte vectors without AVX)
// never comes into play.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace orvek_ecs {
namespace {

using orvek_kernel::HomVec4;

// Below this a norm counts as zero (fsDistance's threshold); compared strictly.
inline constexpr double kZeroNorm = 1e-15;

// Four doubles handled by one instruction where the target has 4-lane (AVX) or 2-lane (SSE2)
// registers. Each lane is one entity: every operation is the IEEE operation on each lane by
// itself, so a lane holds exactly what the scalar code computes for its entity.
typedef double Lanes __attribute__((vector_size(32)));
typedef long long LaneMask __attribute__((vector_size(32)));
inline constexpr std::size_t kBlock = 4;

#define ORVEK_INLINE inline __attribute__((always_inline))

ORVEK_INLINE Lanes splat(double s) noexcept { return Lanes{s, s, s, s}; }

ORVEK_INLINE Lanes select(LaneMask m, Lanes a, Lanes b) noexcept {
  return reinterpret_cast<Lanes>((m & reinterpret_cast<LaneMask>(a)) | (~m & reinterpret_cast<LaneMask>(b)));
}

ORVEK_INLINE Lanes magnitude(Lanes v) noexcept {
  constexpr long long kNoSign = 0x7fffffffffffffffLL;
  return reinterpret_cast<Lanes>(reinterpret_cast<LaneMask>(v) & LaneMask{kNoSign, kNoSign, kNoSign, kNoSign});
}

// Lane by lane square root, correctly rounded like std::sqrt.
ORVEK_INLINE Lanes squareRoot(Lanes v) noexcept {
#if defined(__AVX__)
  return reinterpret_cast<Lanes>(_mm256_sqrt_pd(reinterpret_cast<__m256d>(v)));
#elif defined(__SSE2__)
  const __m128d lo = _mm_sqrt_pd(__m128d{v[0], v[1]});
  const __m128d hi = _mm_sqrt_pd(__m128d{v[2], v[3]});
  return Lanes{lo[0], lo[1], hi[0], hi[1]};
#else
  return Lanes{std::sqrt(v[0]), std::sqrt(v[1]), std::sqrt(v[2]), std::sqrt(v[3])};
#endif
}

// Bit i set when lane i of m is set.
ORVEK_INLINE unsigned laneBits(LaneMask m) noexcept {
#if defined(__AVX__)
  return static_cast<unsigned>(_mm256_movemask_pd(reinterpret_cast<__m256d>(m)));
#else
  return static_cast<unsigned>((m[0] & 1) | (m[1] & 2) | (m[2] & 4) | (m[3] & 8));
#endif
}

// The clamped cosine whose arccosine fsDistance(query, p) returns, for a query of norm at least
// 1e-15: |dot(q, p)| / (‖q‖·‖p‖) capped at 1, a NaN ratio counting as 1, and 1 (distance 0)
// for a p of norm below 1e-15. Same operations, same order as fsDistance.
class NearestQuery {
 public:
  NearestQuery(HomVec4 q, double norm) noexcept : q_(q), na_(norm) {}

  double cosine(HomVec4 p) const noexcept {
    const double nb = p.norm();
    if (nb < kZeroNorm) return 1.0;
    const double d = std::fabs(HomVec4::dot(q_, p)) / (na_ * nb);
    return d < 1.0 ? d : 1.0;
  }

  // cosine() of the positions of the kBlock entities at `e`, one per lane.
  ORVEK_INLINE Lanes cosines(const Entity* e) const noexcept {
    const Lanes px = {e[0].position.x, e[1].position.x, e[2].position.x, e[3].position.x};
    const Lanes py = {e[0].position.y, e[1].position.y, e[2].position.y, e[3].position.y};
    const Lanes pz = {e[0].position.z, e[1].position.z, e[2].position.z, e[3].position.z};
    const Lanes pw = {e[0].position.w, e[1].position.w, e[2].position.w, e[3].position.w};
    // norm(p) = sqrt(dot(p, p)) and dot(q, p), each summed ((x + y) + z) + w.
    const Lanes nb = squareRoot(((px * px + py * py) + pz * pz) + pw * pw);
    const Lanes dot = ((splat(q_.x) * px + splat(q_.y) * py) + splat(q_.z) * pz) + splat(q_.w) * pw;
    const Lanes d = magnitude(dot) / (splat(na_) * nb);
    const Lanes one = splat(1.0);
    const Lanes clamped = select(d < one, d, one);
    return select(nb < splat(kZeroNorm), one, clamped);
  }

 private:
  HomVec4 q_;
  double na_;
};

// All bits set in lane i when entity e[i] is active.
ORVEK_INLINE LaneMask activeLanes(const Entity* e) noexcept {
  return LaneMask{-static_cast<long long>(e[0].isActive()), -static_cast<long long>(e[1].isActive()),
                  -static_cast<long long>(e[2].isActive()), -static_cast<long long>(e[3].isActive())};
}

}  // namespace

Result<EntityId> World::createEntity(std::string_view name) noexcept {
  // The number is taken before the entity is stored: a failed creation leaves a gap.
  const std::uint64_t id = next_id_;
  next_id_ = checkedAdd(next_id_, std::uint64_t{1});
  // Built and activated in its slot at the end of the array, which is what appending a copy
  // of the activated entity stores, without the copy.
  Entity* slot = entities_.appendSlot();
  if (slot == nullptr) return Error::OutOfMemory;
  Entity* entity = ::new (static_cast<void*>(slot)) Entity(Entity::init(id, name));
  entity->activate();
  return EntityId::init(id);
}

Entity* World::getEntity(EntityId id) noexcept {
  for (Entity& entity : entities_.items()) {
    if (entity.id == id) return &entity;
  }
  return nullptr;
}

const Entity* World::getEntity(EntityId id) const noexcept {
  for (const Entity& entity : entities_.items()) {
    if (entity.id == id) return &entity;
  }
  return nullptr;
}

std::optional<EntityId> World::findNearest(HomVec4 position) const noexcept {
  const std::span<const Entity> items = entities_.items();
  const double na = position.norm();
  // A query whose norm is below 1e-15, or NaN, is at distance 0 from every entity; so the
  // oldest active entity is the answer and no later one can be strictly nearer.
  if (!(na >= kZeroNorm)) {
    for (const Entity& entity : items) {
      if (entity.isActive()) return entity.id;
    }
    return std::nullopt;
  }

  // The scan is the one fsDistance would make, entity by entity in creation order, keeping a
  // distance only when it is strictly smaller than the best so far. The arccosine is taken only
  // for an entity that can win: acos is non-increasing, so a cosine not above the best one's
  // cannot give a strictly smaller distance. A larger cosine may still give an equal distance,
  // so its distance is computed and compared strictly, as in the plain scan.
  const NearestQuery query(position, na);
  std::optional<EntityId> best;
  double best_distance = std::numbers::pi;
  double best_cosine = -1.0;  // below every cosine, so the first active entity is taken
  // Returns true when nothing after this entity can be nearer (its distance is 0).
  auto consider = [&](const Entity& entity, double cosine) noexcept {
    if (!(cosine > best_cosine)) return false;
    const double d = std::acos(cosine);
    if (d < best_distance) {
      best_distance = d;
      best_cosine = cosine;
      best = entity.id;
    }
    return best_distance == 0.0;
  };

  std::size_t i = 0;
  for (; i + kBlock <= items.size(); i += kBlock) {
    const Entity* block = &items[i];
    const Lanes cosines = query.cosines(block);
    const unsigned candidates = laneBits(activeLanes(block) & (cosines > splat(best_cosine)));
    if (candidates == 0) continue;
    for (std::size_t lane = 0; lane < kBlock; ++lane) {
      if ((candidates >> lane & 1u) != 0 && consider(block[lane], cosines[lane])) return best;
    }
  }
  for (; i < items.size(); ++i) {
    if (items[i].isActive() && consider(items[i], query.cosine(items[i].position))) return best;
  }
  return best;
}

std::uint32_t World::activeCount() const noexcept {
  std::uint32_t count = 0;
  for (const Entity& entity : entities_.items()) {
    if (entity.isActive()) checkedIncrement(count);
  }
  return count;
}

}  // namespace orvek_ecs
