#include "orvek_ecs/world.hpp"

#include <cmath>
#include <cstddef>
#include <new>
#include <numbers>
#include <span>
#include <utility>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "orvek_ecs/checked.hpp"
#include "orvek_kernel/fs_metric.hpp"

namespace orvek_ecs {
namespace {

using orvek_kernel::HomVec4;

// fsDistance's zero-norm bound: the fast scan must treat short vectors exactly as it does.
using orvek_kernel::ZERO_NORM;

// One entity per lane, as many lanes as the target's vector registers hold: four with AVX,
// two with SSE2 (every x86-64). Every operation is the IEEE operation on each lane by itself,
// so a lane holds exactly what the scalar code computes for its entity.
#if defined(__AVX__)
inline constexpr std::size_t kBlock = 4;
typedef double Lanes __attribute__((vector_size(32)));
typedef long long LaneMask __attribute__((vector_size(32)));
#else
inline constexpr std::size_t kBlock = 2;
typedef double Lanes __attribute__((vector_size(16)));
typedef long long LaneMask __attribute__((vector_size(16)));
#endif

#define ORVEK_INLINE inline __attribute__((always_inline))

ORVEK_INLINE Lanes splat(double s) noexcept {
  Lanes v = {};
  for (std::size_t k = 0; k < kBlock; ++k) v[k] = s;
  return v;
}

ORVEK_INLINE Lanes select(LaneMask m, Lanes a, Lanes b) noexcept {
  return reinterpret_cast<Lanes>((m & reinterpret_cast<LaneMask>(a)) | (~m & reinterpret_cast<LaneMask>(b)));
}

ORVEK_INLINE Lanes magnitude(Lanes v) noexcept {
  LaneMask no_sign = {};
  for (std::size_t k = 0; k < kBlock; ++k) no_sign[k] = 0x7fffffffffffffffLL;
  return reinterpret_cast<Lanes>(reinterpret_cast<LaneMask>(v) & no_sign);
}

// Lane by lane square root, correctly rounded like std::sqrt.
ORVEK_INLINE Lanes squareRoot(Lanes v) noexcept {
#if defined(__AVX__)
  return reinterpret_cast<Lanes>(_mm256_sqrt_pd(reinterpret_cast<__m256d>(v)));
#elif defined(__SSE2__)
  return reinterpret_cast<Lanes>(_mm_sqrt_pd(reinterpret_cast<__m128d>(v)));
#else
  for (std::size_t k = 0; k < kBlock; ++k) v[k] = std::sqrt(v[k]);
  return v;
#endif
}

// Bit i set when lane i of m is set.
ORVEK_INLINE unsigned laneBits(LaneMask m) noexcept {
#if defined(__AVX__)
  return static_cast<unsigned>(_mm256_movemask_pd(reinterpret_cast<__m256d>(m)));
#elif defined(__SSE2__)
  return static_cast<unsigned>(_mm_movemask_pd(reinterpret_cast<__m128d>(m)));
#else
  unsigned bits = 0;
  for (std::size_t k = 0; k < kBlock; ++k) bits |= static_cast<unsigned>(m[k] & 1) << k;
  return bits;
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
    if (nb < ZERO_NORM) return 1.0;
    const double d = std::fabs(HomVec4::dot(q_, p)) / (na_ * nb);
    return d < 1.0 ? d : 1.0;
  }

  // dot(p, p) and dot(q, p) for the positions p of the kBlock entities at `e`, one per lane,
  // each summed ((x + y) + z) + w as HomVec4::dot does.
  struct Dots {
    Lanes pp;
    Lanes qp;
  };
  ORVEK_INLINE Dots dots(const Entity* e) const noexcept {
    Lanes px = {}, py = {}, pz = {}, pw = {};
    for (std::size_t k = 0; k < kBlock; ++k) {
      px[k] = e[k].position.x;
      py[k] = e[k].position.y;
      pz[k] = e[k].position.z;
      pw[k] = e[k].position.w;
    }
    return Dots{((px * px + py * py) + pz * pz) + pw * pw,
                ((splat(q_.x) * px + splat(q_.y) * py) + splat(q_.z) * pz) + splat(q_.w) * pw};
  }

  // cosine() lane by lane, from the dots of the positions.
  ORVEK_INLINE Lanes cosines(Dots dots) const noexcept {
    const Lanes nb = squareRoot(dots.pp);  // norm(p)
    const Lanes d = magnitude(dots.qp) / (splat(na_) * nb);
    const Lanes one = splat(1.0);
    const Lanes clamped = select(d < one, d, one);
    return select(nb < splat(ZERO_NORM), one, clamped);
  }

  double norm() const noexcept { return na_; }

 private:
  HomVec4 q_;
  double na_;
};

// All bits set in lane i when entity e[i] is active.
ORVEK_INLINE LaneMask activeLanes(const Entity* e) noexcept {
  LaneMask active = {};
  for (std::size_t k = 0; k < kBlock; ++k) active[k] = -static_cast<long long>(e[k].isActive());
  return active;
}

// The nearest-entity scan over the blocks of kBlock entities, then the rest one by one.
//
// The arccosine is taken only for an entity that can win: acos is non-increasing, so a cosine
// not above the best one's cannot give a strictly smaller distance. A larger cosine may still
// give an equal distance, so its distance is computed and compared strictly, as in the plain
// scan. Once the best distance is 0 no later entity can win and the scan ends.
class NearestScan {
 public:
  NearestScan(HomVec4 q, double norm) noexcept : query_(q, norm) {}

  // Scans the whole blocks of `items`; true when the scan is over.
  bool blocks(std::span<const Entity> items) noexcept {
    const std::size_t end = items.size() / kBlock * kBlock;
    for (; next_ < end; next_ += kBlock) {
      const Entity* block = &items[next_];
      const NearestQuery::Dots dots = query_.dots(block);
      const LaneMask active = activeLanes(block);
      if (laneBits(active & ~surelyNotNearer(dots)) == 0) continue;
      const Lanes cosines = query_.cosines(dots);
      const unsigned candidates = laneBits(active & (cosines > splat(best_cosine_)));
      for (std::size_t lane = 0; lane < kBlock; ++lane) {
        if ((candidates >> lane & 1u) != 0 && consider(block[lane], cosines[lane])) return true;
      }
    }
    return false;
  }

  // Scans the entities after the whole blocks.
  void tail(std::span<const Entity> items) noexcept {
    for (; next_ < items.size(); ++next_) {
      const Entity& entity = items[next_];
      if (entity.isActive() && consider(entity, query_.cosine(entity.position))) return;
    }
  }

  std::optional<EntityId> best() const noexcept { return best_; }

 private:
  // Lanes whose cosine is certainly not above the best cosine b, told without the square root
  // and the division: dot(q, p)² < (b·‖q‖)²·dot(p, p)·(1 − 1e-12). The cosine is
  // |dot(q, p)| / (‖q‖·‖p‖) up to four roundings (the root, the product, the quotient, and
  // dot(q, p)² and the bound here add a few more), each a relative 2⁻⁵³ at most, far inside the
  // margin of 1e-12. The test only counts where every value is a normal number with room to
  // spare: a dot(p, p) below 1e-28 (the cosine of a norm below 1e-15 is 1), above 1e280 or not a
  // number, or a bound below 2⁻¹⁰⁰⁰, fails it, and those lanes get their exact cosine.
  ORVEK_INLINE LaneMask surelyNotNearer(NearestQuery::Dots dots) const noexcept {
    const Lanes bound = splat(not_nearer_scale_) * dots.pp;
    return ((dots.qp * dots.qp < bound) & (bound >= splat(0x1p-1000))) &
           ((dots.pp >= splat(1e-28)) & (dots.pp <= splat(1e280)));
  }

  // Takes `entity` as the best when its distance is strictly smaller; true when nothing after
  // it can be nearer (its distance is 0).
  bool consider(const Entity& entity, double cosine) noexcept {
    if (!(cosine > best_cosine_)) return false;
    const double d = std::acos(cosine);
    if (d < best_distance_) {
      best_distance_ = d;
      best_cosine_ = cosine;
      best_ = entity.id;
      updateNotNearerScale();
    }
    return best_distance_ == 0.0;
  }

  // (b·‖q‖)²·(1 − 1e-12) for surelyNotNearer, or 0 (which no lane passes) unless every factor
  // is a normal number in a safe range.
  void updateNotNearerScale() noexcept {
    const double bb = best_cosine_ * best_cosine_;
    const double aa = query_.norm() * query_.norm();
    const double scale = (bb * aa) * (1.0 - 1e-12);
    const bool safe = bb >= 0x1p-1000 && aa >= 0x1p-1000 && aa <= 1e280 && scale >= 0x1p-1000;
    not_nearer_scale_ = safe ? scale : 0.0;
  }

  NearestQuery query_;
  std::size_t next_ = 0;
  std::optional<EntityId> best_;
  double best_distance_ = std::numbers::pi;
  double best_cosine_ = -1.0;  // below every cosine, so the first active entity is taken
  double not_nearer_scale_ = 0.0;
};

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
  // The world is not const here, so neither is the entity the const search found.
  return const_cast<Entity*>(std::as_const(*this).getEntity(id));
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
  if (!(na >= ZERO_NORM)) {
    for (const Entity& entity : items) {
      if (entity.isActive()) return entity.id;
    }
    return std::nullopt;
  }

  // The scan is the one fsDistance would make, entity by entity in creation order, keeping a
  // distance only when it is strictly smaller than the best so far (see NearestScan).
  NearestScan scan(position, na);
  if (!scan.blocks(items)) scan.tail(items);
  return scan.best();
}

std::uint32_t World::activeCount() const noexcept {
  std::uint32_t count = 0;
  for (const Entity& entity : entities_.items()) {
    if (entity.isActive()) checkedIncrement(count);
  }
  return count;
}

}  // namespace orvek_ecs
