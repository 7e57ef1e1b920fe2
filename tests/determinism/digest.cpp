// orvek_digest: evaluates every kernel operation and a fixed World scenario on a fixed input
// set and prints one line per operation: its name, the number of values hashed and the
// FNV-1a-64 digest of the raw bits of every result.
//
//   orvek_digest                   print the digests
//   orvek_digest --expect FILE     also compare them with FILE (same format, '#' starts a
//                                  comment line); on a mismatch name the first differing
//                                  operation and exit with status 1
//
// The inputs come from a SplitMix64 generator with a constant seed, turned into doubles by
// assembling sign, exponent and mantissa bits (no <random> distribution, whose algorithms
// differ between standard libraries), plus hand-picked values: signed zeros, subnormals,
// huge and tiny magnitudes, infinities, NaNs, antipodal and orthogonal pairs, cosines just
// below, at and above 1, singular, near-singular and zero matrices. The random mantissas and
// mixed magnitudes make every product inexact, so a fused multiply-add anywhere in the
// kernel changes a digest.
//
// This file computes no sum of products of its own: derived inputs are built with integer
// operations on the bits or with a single rounded operation, so compiling this translation
// unit with -ffp-contract=fast changes no input.
//
// NaN results are hashed as one canonical quiet NaN. Which NaN an operation returns (its sign
// and payload) depends on operand order, which compilers may swap for commutative operations,
// and on whether the value was folded at build time; only "is NaN" is part of the results.

#include <bit>
#include <cinttypes>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <limits>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "orvek_ecs/orvek_ecs.hpp"
#include "orvek_kernel/orvek_kernel.hpp"

namespace {

using orvek_ecs::Entity;
using orvek_ecs::EntityId;
using orvek_ecs::World;
using orvek_kernel::f32x4;
using orvek_kernel::HomVec4;
using orvek_kernel::PGL4;

// ---------------------------------------------------------------------------------------
// Hashing

constexpr std::uint64_t kCanonicalNaN64 = 0x7ff8000000000000;
constexpr std::uint32_t kCanonicalNaN32 = 0x7fc00000;

// FNV-1a over the little-endian bytes of each value, counting the values.
class Digest {
 public:
  void u64(std::uint64_t v) {
    for (int i = 0; i < 8; ++i) byte(static_cast<std::uint8_t>(v >> (8 * i)));
    ++count_;
  }
  void u32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) byte(static_cast<std::uint8_t>(v >> (8 * i)));
    ++count_;
  }
  void u8(std::uint8_t v) {
    byte(v);
    ++count_;
  }
  void boolean(bool v) { u8(v ? 1 : 0); }
  void f64(double v) { u64(v != v ? kCanonicalNaN64 : std::bit_cast<std::uint64_t>(v)); }
  void f32(float v) { u32(v != v ? kCanonicalNaN32 : std::bit_cast<std::uint32_t>(v)); }
  void vec(HomVec4 v) {
    f64(v.x);
    f64(v.y);
    f64(v.z);
    f64(v.w);
  }
  void mat(const PGL4& m) {
    for (double d : m.data) f64(d);
  }
  void lanes(f32x4 v) {
    for (float f : orvek_kernel::simdLanes(v)) f32(f);
  }
  void text(std::string_view s) {
    u64(s.size());
    for (char c : s) byte(static_cast<std::uint8_t>(c));
  }

  std::uint64_t value() const { return hash_; }
  std::uint64_t count() const { return count_; }

 private:
  void byte(std::uint8_t b) {
    hash_ ^= b;
    hash_ *= 0x100000001b3;
  }

  std::uint64_t hash_ = 0xcbf29ce484222325;
  std::uint64_t count_ = 0;
};

// ---------------------------------------------------------------------------------------
// Inputs

class SplitMix64 {
 public:
  explicit SplitMix64(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9;
    z = (z ^ (z >> 27)) * 0x94d049bb133111eb;
    return z ^ (z >> 31);
  }
  // A value in [0, n), n > 0 (the small bias does not matter here).
  std::uint64_t below(std::uint64_t n) { return next() % n; }

 private:
  std::uint64_t state_;
};

constexpr std::uint64_t kSeed = 0x6f72766b2d646574;  // fixed: the digests depend on it

double fromBits(std::uint64_t bits) { return std::bit_cast<double>(bits); }
std::uint64_t bitsOf(double d) { return std::bit_cast<std::uint64_t>(d); }

// A normal double with a random sign and mantissa and an unbiased exponent in [emin, emax].
double randomDouble(SplitMix64& rng, int emin, int emax) {
  const std::uint64_t r = rng.next();
  const auto span = static_cast<std::uint64_t>(emax - emin + 1);
  const auto exponent = static_cast<std::uint64_t>(1023 + emin + static_cast<int>(rng.below(span)));
  return fromBits((r & 0x8000000000000000) | (exponent << 52) | (r & 0x000fffffffffffff));
}

// The same, always positive.
double randomPositive(SplitMix64& rng, int emin, int emax) {
  return fromBits(bitsOf(randomDouble(rng, emin, emax)) & 0x7fffffffffffffff);
}

float randomFloat(SplitMix64& rng, int emin, int emax) {
  const std::uint64_t r = rng.next();
  const auto span = static_cast<std::uint64_t>(emax - emin + 1);
  const auto exponent = static_cast<std::uint32_t>(127 + emin + static_cast<int>(rng.below(span)));
  const auto bits = static_cast<std::uint32_t>(((r >> 32) & 0x80000000) | (exponent << 23) | (r & 0x007fffff));
  return std::bit_cast<float>(bits);
}

// d moved by `ulps` units in the last place away from zero (d finite and non-zero).
double ulpsAway(double d, std::uint64_t ulps) { return fromBits(bitsOf(d) + ulps); }
double negated(double d) { return fromBits(bitsOf(d) ^ 0x8000000000000000); }
HomVec4 negated(HomVec4 v) { return HomVec4::init(negated(v.x), negated(v.y), negated(v.z), negated(v.w)); }

constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = fromBits(0x7ff8000000000000);
const double kNegNaN = fromBits(0xfff8000000000000);
const double kSignalingNaN = fromBits(0x7ff0000000000001);
const double kMinSubnormal = fromBits(1);
const double kMaxSubnormal = fromBits(0x000fffffffffffff);
constexpr double kMinNormal = std::numeric_limits<double>::min();
constexpr double kMax = std::numeric_limits<double>::max();
constexpr double kPi = 3.141592653589793;

struct Inputs {
  std::vector<double> scalars;
  std::vector<HomVec4> vectors;
  std::vector<std::pair<HomVec4, HomVec4>> pairs;
  std::vector<double> tolerances;
  std::vector<PGL4> matrices;
  std::vector<double> radii;
  std::vector<f32x4> lanes;
};

std::vector<double> makeScalars(SplitMix64& rng) {
  std::vector<double> s = {
      0.0,
      -0.0,
      1.0,
      -1.0,
      0.5,
      -0.5,
      2.0,
      3.0,
      4.0,
      9.0,
      1.5,
      -7.0,
      1e-15,
      ulpsAway(1e-15, 1),
      fromBits(bitsOf(1e-15) - 1),
      orvek_kernel::W_EPS,
      9.9e-7,
      1e-10,
      1e-8,
      kMinSubnormal,
      kMaxSubnormal,
      kMinNormal,
      negated(kMinSubnormal),
      negated(kMinNormal),
      kMax,
      -kMax,
      1e300,
      -1e300,
      1e-300,
      1e154,
      1e-154,
      1e200,
      1e-200,
      kInf,
      -kInf,
      kNaN,
      kNegNaN,
      kSignalingNaN,
      kPi,
      kPi / 2,
      kPi / 4,
      -kPi,
      2 * kPi,
      1e6,
      1e16,
      1e22,
      1e-22,
      5838400.0,
      1000.0,
      -1000.0,
      0.1,
      0.9,
      0.999999,
      ulpsAway(1.0, 1),
      fromBits(bitsOf(1.0) - 1),
      fromBits(bitsOf(-1.0) + 1),
      fromBits(bitsOf(-1.0) - 1),
  };
  for (int i = 0; i < 160; ++i) s.push_back(randomDouble(rng, -30, 30));
  for (int i = 0; i < 32; ++i) s.push_back(randomDouble(rng, -1022, 1023));
  for (int i = 0; i < 32; ++i) s.push_back(fromBits(rng.next()));  // any pattern, NaNs and subnormals included
  return s;
}

// One statement per coordinate, for the same reason as in randomLanes below.
HomVec4 randomVector(SplitMix64& rng, int emin, int emax) {
  const double x = randomDouble(rng, emin, emax);
  const double y = randomDouble(rng, emin, emax);
  const double z = randomDouble(rng, emin, emax);
  const double w = randomDouble(rng, emin, emax);
  return HomVec4::init(x, y, z, w);
}

std::vector<HomVec4> makeVectors(SplitMix64& rng) {
  std::vector<HomVec4> v = {
      HomVec4::zero(),
      HomVec4::init(-0.0, -0.0, -0.0, -0.0),
      HomVec4::init(1, 0, 0, 0),
      HomVec4::init(0, 1, 0, 0),
      HomVec4::init(0, 0, 1, 0),
      HomVec4::init(0, 0, 0, 1),
      HomVec4::init(-1, 0, 0, 0),
      HomVec4::fromCartesian(3, 4, 5),
      HomVec4::init(2, 4, 6, 2),
      HomVec4::init(3, 0, 0, 4),
      HomVec4::init(1, 2, 3, 4),
      HomVec4::init(-1, -2, -3, -4),
      HomVec4::init(1, 2, 3, 5),
      HomVec4::init(5, 1, 1, 1),
      HomVec4::init(1, 6, 1, 1),
      HomVec4::init(1, 1, 7, 1),
      HomVec4::init(1, 1, 1, 1),
      HomVec4::init(2, 2, 1, 1),
      HomVec4::init(1, 3, 3, 1),
      HomVec4::init(-5, 1, 1, 1),
      HomVec4::init(0, 3, 4, 0),
      HomVec4::init(1, 0, 0, 1e-6),
      HomVec4::init(1, 0, 0, 9.9e-7),
      HomVec4::init(0.9, 0.1, 0, 0),
      HomVec4::init(1, 0, 0, 1),
      HomVec4::init(-1, 0, 0, -1),
      // Norms around the zero threshold 1e-15.
      HomVec4::init(1e-15, 0, 0, 0),
      HomVec4::init(ulpsAway(1e-15, 1), 0, 0, 0),
      HomVec4::init(fromBits(bitsOf(1e-15) - 1), 0, 0, 0),
      HomVec4::init(5e-16, 5e-16, 5e-16, 5e-16),
      HomVec4::init(1e-16, 0, 0, 0),
      HomVec4::init(kMinSubnormal, kMaxSubnormal, 0, kMinNormal),
      HomVec4::init(1e-200, 2e-200, 3e-200, 4e-200),  // squares underflow
      // Squares that overflow, and the largest finite values.
      HomVec4::init(1e200, 1e200, 0, 0),
      HomVec4::init(kMax, kMax, kMax, kMax),
      HomVec4::init(1e300, 1, 1e-300, 0),
      // Mixed magnitudes within one vector.
      HomVec4::init(1e10, 1, 1e-10, 1e-20),
      HomVec4::init(1, 1e-8, 0, 0),
      // Non-finite coordinates.
      HomVec4::init(kInf, 0, 0, 1),
      HomVec4::init(-kInf, kInf, 0, 0),
      HomVec4::init(kNaN, 0, 0, 1),
      HomVec4::init(1, 2, kNegNaN, 4),
      HomVec4::init(kNaN, kNaN, kNaN, kNaN),
      HomVec4::init(kSignalingNaN, 1, 1, 1),
      // Chart ties and near ties.
      HomVec4::init(2, 2, 2, 2),
      HomVec4::init(-3, 3, -3, 1),
      HomVec4::init(0, 0, 8, -8),
      HomVec4::init(ulpsAway(2.0, 1), 2, 2, 2),
  };
  for (int i = 0; i < 48; ++i) v.push_back(randomVector(rng, -8, 8));
  for (int i = 0; i < 16; ++i) v.push_back(randomVector(rng, -60, 60));
  for (int i = 0; i < 8; ++i) v.push_back(randomVector(rng, -1000, 1000));
  return v;
}

// Pairs beyond the all-pairs product of the vector list: exact antipodes, multiples,
// orthogonal pairs whose exact dot product is 0, and pairs whose cosine lies a few units in
// the last place below 1.
std::vector<std::pair<HomVec4, HomVec4>> makePairs(SplitMix64& rng) {
  std::vector<std::pair<HomVec4, HomVec4>> p;
  for (int i = 0; i < 64; ++i) {
    const HomVec4 a = randomVector(rng, -6, 6);
    p.emplace_back(a, negated(a));
    p.emplace_back(a, a);
    const double k = randomDouble(rng, -20, 20);
    p.emplace_back(a, HomVec4::init(k * a.x, k * a.y, k * a.z, k * a.w));
    // (x, y, z, w)·(−y, x, −w, z) is 0 exactly when each product is rounded on its own.
    p.emplace_back(a, HomVec4::init(negated(a.y), a.x, negated(a.w), a.z));
    // One coordinate moved by a few units in the last place: a cosine just below 1.
    const std::uint64_t ulps = 1 + rng.below(64);
    p.emplace_back(a, HomVec4::init(ulpsAway(a.x, ulps), a.y, a.z, a.w));
    p.emplace_back(a, HomVec4::init(a.x, a.y, a.z, ulpsAway(a.w, ulps << 20)));
  }
  return p;
}

PGL4 randomMatrix(SplitMix64& rng, int emin, int emax) {
  PGL4 m{};
  for (double& d : m.data) d = randomDouble(rng, emin, emax);
  return m;
}

PGL4 randomIntegerMatrix(SplitMix64& rng) {
  PGL4 m{};
  for (double& d : m.data) d = static_cast<double>(static_cast<int>(rng.below(19)) - 9);
  return m;
}

std::vector<PGL4> makeMatrices(SplitMix64& rng) {
  using orvek_kernel::pglRotateZ;
  using orvek_kernel::pglScale;
  using orvek_kernel::pglTranslate;
  std::vector<PGL4> m = {
      PGL4::identity(),
      PGL4{},  // zero
      PGL4::init({-0.0, -0.0, -0.0, -0.0, -0.0, -0.0, -0.0, -0.0, -0.0, -0.0, -0.0, -0.0, -0.0, -0.0, -0.0, -0.0}),
      pglScale(2, 3, 4),
      pglScale(-2, 3, 4),
      pglScale(0, 3, 4),
      pglScale(1e-6, 1e-6, 1e-6),
      pglScale(1e100, 1e100, 1e100),
      pglTranslate(1, 2, 3),
      pglTranslate(10, 20, 30),
      pglRotateZ(0.7853981633974483),
      pglRotateZ(1.0),
      PGL4::fromRowMajor(
          {{{0, 3, 0, 0}, {2, 0, 0, 0}, {0, 0, 4, 0}, {0, 0, 0, 1}}}),  // rows 0, 1 of diag(2, 3, 4, 1) exchanged
      PGL4::init({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}),
      PGL4::init({0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0}),
      PGL4::init({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),  // diag(1, 1, 0, 0)
      PGL4::fromRowMajor({{{2, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 4, 0}, {0, 0, 0, 5}}}),
      // Singular: rank 1, rank 2, rank 3.
      PGL4::fromRowMajor({{{1, 2, 3, 4}, {2, 4, 6, 8}, {3, 6, 9, 12}, {-1, -2, -3, -4}}}),
      PGL4::fromRowMajor({{{1, 0, 1, 0}, {0, 1, 0, 1}, {1, 1, 1, 1}, {2, 1, 2, 1}}}),
      PGL4::fromRowMajor({{{1, 2, 0, 1}, {0, 1, 3, 1}, {1, 3, 3, 2}, {4, 0, 1, 7}}}),
      // Near-singular: a dependent row moved by 2^-40, the identity with a tiny pivot.
      PGL4::fromRowMajor({{{1, 2, 3, 4}, {2, 4, 6, 8 + 0x1p-40}, {0, 1, 0, 1}, {1, 0, 1, 0}}}),
      PGL4::init({1e-16, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}),
      PGL4::init({1e-4, 0, 0, 0, 0, 1e-4, 0, 0, 0, 0, 1e-4, 0, 0, 0, 0, 1e-4}),  // det 1e-16
      // Huge and tiny entries: determinants that overflow and underflow.
      PGL4::fromRowMajor({{{1e300, 1, 0, 0}, {1, 1e300, 0, 0}, {0, 0, 1e300, 0}, {0, 0, 0, 1e300}}}),
      PGL4::fromRowMajor({{{1e-100, 0, 0, 0}, {0, 1e-100, 0, 0}, {0, 0, 1e-100, 0}, {0, 0, 0, 1e-100}}}),
      PGL4::init({kMinSubnormal, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, kMaxSubnormal, 0, 0, 1}),
      PGL4::init({1e200, 1e-200, 1, -1, 1e-200, 1e200, -1, 1, 3, 4, 5, 6, 7, 8, 9, 1e-20}),
      // Non-finite entries.
      PGL4::init({kInf, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}),
      PGL4::init({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, kNaN, 0, 0, 1}),
      PGL4::init({1, 2, 3, 4, -kInf, 6, 7, 8, 9, 10, kNegNaN, 12, 13, 14, 15, kInf}),
  };
  for (int i = 0; i < 24; ++i) m.push_back(randomMatrix(rng, -4, 4));
  for (int i = 0; i < 8; ++i) m.push_back(randomMatrix(rng, -60, 60));
  for (int i = 0; i < 8; ++i) m.push_back(randomIntegerMatrix(rng));
  return m;
}

// The lanes are drawn in separate statements: the order in which function arguments are
// evaluated is unspecified, and compilers differ in it.
f32x4 randomLanes(SplitMix64& rng, int emin, int emax) {
  const float x = randomFloat(rng, emin, emax);
  const float y = randomFloat(rng, emin, emax);
  const float z = randomFloat(rng, emin, emax);
  const float w = randomFloat(rng, emin, emax);
  return f32x4(x, y, z, w);
}

std::vector<f32x4> makeLanes(SplitMix64& rng) {
  constexpr float kFInf = std::numeric_limits<float>::infinity();
  const float fnan = std::bit_cast<float>(kCanonicalNaN32);
  const float fmin_sub = std::bit_cast<float>(std::uint32_t{1});
  const float threshold = static_cast<float>(1e-15);
  std::vector<f32x4> v = {
      f32x4(0, 0, 0, 0),
      f32x4(-0.0f, -0.0f, -0.0f, -0.0f),
      f32x4(1, 0, 0, 0),
      f32x4(3, 0, 0, 4),
      f32x4(0.6f, 0, 0, 0.8f),
      f32x4(1, 2, 3, 4),
      f32x4(-1, -2, -3, -4),
      f32x4(1e-8f, 0, 0, 0),    // squared length below the threshold
      f32x4(3.2e-8f, 0, 0, 0),  // squared length just above it
      f32x4(threshold, 0, 0, 0),
      f32x4(fmin_sub, 0, 0, 0),
      f32x4(std::numeric_limits<float>::min(), 1, 0, 0),
      f32x4(std::numeric_limits<float>::max(), 0, 0, 0),  // square overflows
      f32x4(1e20f, 1e20f, 1e20f, 1e20f),
      f32x4(kFInf, 0, 0, 0),
      f32x4(1, -kFInf, kFInf, 0),
      f32x4(fnan, 0, 0, 1),
      f32x4(1e10f, 1, 1e-10f, 1e-20f),
  };
  for (int i = 0; i < 64; ++i) v.push_back(randomLanes(rng, -10, 10));
  for (int i = 0; i < 16; ++i) v.push_back(randomLanes(rng, -60, 60));
  return v;
}

Inputs makeInputs() {
  SplitMix64 rng(kSeed);
  Inputs in;
  in.scalars = makeScalars(rng);
  in.vectors = makeVectors(rng);
  in.pairs = makePairs(rng);
  in.tolerances = {0.0, 1e-15, 1e-12, 1e-8, orvek_kernel::W_EPS, 1e-3, 0.5, 1.0, 2.0, -1.0, kInf, kNaN};
  in.matrices = makeMatrices(rng);
  in.radii = {1.0, 5838400.0, orvek_kernel::R_VORENA_KM, 0.0, -0.0, -1.0, 1e-300, 1e300, kInf, kNaN};
  for (int i = 0; i < 6; ++i) in.radii.push_back(randomPositive(rng, -10, 30));
  in.lanes = makeLanes(rng);
  return in;
}

// Every ordered pair of the vector list, then the special pairs.
template <typename F>
void forEachPair(const Inputs& in, F&& f) {
  for (const HomVec4& a : in.vectors) {
    for (const HomVec4& b : in.vectors) f(a, b);
  }
  for (const auto& [a, b] : in.pairs) {
    f(a, b);
    f(b, a);
  }
}

// ---------------------------------------------------------------------------------------
// The World scenario

// An allocator on the process heap that counts its calls, refuses the allocation with a
// chosen number, never grows in place, and counts what is still live.
class CountingAllocator final : public orvek_ecs::Allocator {
 public:
  void refuseAllocation(std::uint64_t number) { refuse_ = number; }

  void* allocate(std::size_t bytes, std::size_t alignment) noexcept override {
    ++calls_;
    if (calls_ == refuse_) return nullptr;
    void* block = ::operator new (bytes, std::align_val_t{alignment}, std::nothrow);
    if (block != nullptr) ++live_;
    return block;
  }
  bool resize(void*, std::size_t, std::size_t, std::size_t) noexcept override { return false; }
  void deallocate(void* block, std::size_t, std::size_t alignment) noexcept override {
    ::operator delete (block, std::align_val_t{alignment});
    --live_;
  }

  std::uint64_t calls() const { return calls_; }
  std::int64_t live() const { return live_; }

 private:
  std::uint64_t calls_ = 0;
  std::uint64_t refuse_ = 0;
  std::int64_t live_ = 0;
};

constexpr std::string_view kNames[] = {"player", "near", "far", "", "player", "rock", "tree", "a", "b", "c"};

void hashEntity(Digest& d, const Entity& e) {
  d.u64(e.id.id);
  d.text(e.name);
  d.vec(e.position);
  d.mat(e.world_transform);
  d.u64(e.parent_id.id);
  d.u64(e.version);
  d.u8(static_cast<std::uint8_t>(e.state));
}

void hashCreate(Digest& d, World& world, std::size_t n) {
  const orvek_ecs::Result<EntityId> r = world.createEntity(kNames[n % std::size(kNames)]);
  d.boolean(r.has_value());
  if (r) {
    d.u64(r->id);
  } else {
    d.u8(static_cast<std::uint8_t>(r.error()));
  }
}

void hashNearest(Digest& d, const World& world, HomVec4 query) {
  const std::optional<EntityId> best = world.findNearest(query);
  d.boolean(best.has_value());
  d.u64(best ? best->id : 0);
}

void worldScenario(Digest& d) {
  SplitMix64 rng(kSeed ^ 0x776f726c64);
  CountingAllocator heap;
  // Capacities grow 4, 8, 16, 32, ...: the fourth allocation is the growth to 32 entities,
  // taken by the 17th creation, which fails and loses identifier 17.
  heap.refuseAllocation(4);
  World world = World::init(heap);
  for (std::size_t n = 0; n < 40; ++n) hashCreate(d, world, n);

  // Moves: random points, some shared exactly and some antipodal (ties in findNearest),
  // and some that name no point (left where they were).
  const HomVec4 shared = randomVector(rng, -3, 3);
  const std::size_t stored = world.entities().size();
  for (std::size_t i = 0; i < stored; ++i) {
    Entity& e = *world.getEntity(world.entities()[i].id);
    switch (i % 9) {
      case 0: e.setPosition(shared); break;
      case 1: e.setPosition(negated(shared)); break;
      case 2: e.setPosition(HomVec4::zero()); break;
      case 3: e.setPosition(HomVec4::init(kNaN, 1, 1, 1)); break;
      case 4: e.setPosition(HomVec4::init(1e300, -1e300, 1e299, 1)); break;
      default: e.setPosition(randomVector(rng, -10, 10)); break;
    }
  }

  // Lifecycle: every third deactivated (to deactivating), some asked again; transforms on some.
  for (std::size_t i = 0; i < stored; ++i) {
    Entity& e = *world.getEntity(world.entities()[i].id);
    if (i % 3 == 1) e.deactivate();
    if (i % 6 == 1) e.activate();  // deactivating stays deactivating
    if (i % 5 == 0) e.activate();  // already active: no change
    if (i % 4 == 2) e.setWorldTransform(randomMatrix(rng, -3, 3));
    if (i % 7 == 3) e.setPosition(randomVector(rng, -2, 2));
  }

  // Queries: the shared point and its antipode (ties: the oldest wins), a zero and a NaN
  // query (distance 0 to all), and random points.
  hashNearest(d, world, shared);
  hashNearest(d, world, negated(shared));
  hashNearest(d, world, HomVec4::zero());
  hashNearest(d, world, HomVec4::init(kNaN, 0, 0, 0));
  for (int q = 0; q < 64; ++q) hashNearest(d, world, randomVector(rng, -10, 10));
  d.u32(world.activeCount());
  for (std::uint64_t id = 0; id <= world.nextId() + 1; ++id) {
    const Entity* e = world.getEntity(EntityId::init(id));
    d.boolean(e != nullptr);
  }

  // More growth, then one more refusal: the next growth after these, which 70 more
  // creations are sure to need.
  for (std::size_t n = 0; n < 30; ++n) hashCreate(d, world, n + 40);
  heap.refuseAllocation(heap.calls() + 1);
  for (std::size_t n = 0; n < 70; ++n) hashCreate(d, world, n + 70);

  hashNearest(d, world, shared);
  d.u32(world.activeCount());
  for (const Entity& e : world.entities()) hashEntity(d, e);
  d.u64(world.nextId());
  world.deinit();
  d.u64(static_cast<std::uint64_t>(heap.live()));  // 0: nothing left behind
}

// ---------------------------------------------------------------------------------------
// The operations

struct Operation {
  std::string name;
  std::function<void(const Inputs&, Digest&)> run;
};

std::string inverseName(double delta, std::uint32_t max_iter) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "PGL4::inverse(%g,%" PRIu32 ")", delta, max_iter);
  return buf;
}

std::vector<Operation> operations() {
  std::vector<Operation> ops = {
      {"HomVec4::dot",
       [](const Inputs& in, Digest& d) { forEachPair(in, [&](HomVec4 a, HomVec4 b) { d.f64(HomVec4::dot(a, b)); }); }},
      {"HomVec4::norm",
       [](const Inputs& in, Digest& d) {
         for (HomVec4 v : in.vectors) d.f64(v.norm());
       }},
      {"HomVec4::normalize",
       [](const Inputs& in, Digest& d) {
         for (HomVec4 v : in.vectors) d.vec(v.normalize());
       }},
      {"HomVec4::cartesian3",
       [](const Inputs& in, Digest& d) {
         for (HomVec4 v : in.vectors) {
           for (double c : v.cartesian3()) d.f64(c);
         }
       }},
      {"HomVec4::isSamePoint",
       [](const Inputs& in, Digest& d) {
         forEachPair(in, [&](HomVec4 a, HomVec4 b) {
           for (double tol : in.tolerances) d.boolean(HomVec4::isSamePoint(a, b, tol));
         });
       }},
      {"HomVec4::isAntipodalTo",
       [](const Inputs& in, Digest& d) {
         forEachPair(in, [&](HomVec4 a, HomVec4 b) {
           for (double tol : in.tolerances) d.boolean(HomVec4::isAntipodalTo(a, b, tol));
         });
       }},
      {"HomVec4::pickBestCard",
       [](const Inputs& in, Digest& d) {
         for (HomVec4 v : in.vectors) d.u8(static_cast<std::uint8_t>(v.pickBestCard()));
       }},
      {"fsDistance",
       [](const Inputs& in, Digest& d) {
         forEachPair(in, [&](HomVec4 a, HomVec4 b) { d.f64(orvek_kernel::fsDistance(a, b)); });
       }},
      {"wFromDistance",
       [](const Inputs& in, Digest& d) {
         for (double s : in.scalars) {
           for (double r : in.radii) d.f64(orvek_kernel::wFromDistance(s, r));
         }
       }},
      {"sFromW",
       [](const Inputs& in, Digest& d) {
         for (double w : in.scalars) {
           for (double r : in.radii) d.f64(orvek_kernel::sFromW(w, r));
         }
       }},
      {"f32x4",
       [](const Inputs& in, Digest& d) {
         for (f32x4 v : in.lanes) d.lanes(v);
       }},
      {"simdDot4",
       [](const Inputs& in, Digest& d) {
         for (f32x4 a : in.lanes) {
           for (f32x4 b : in.lanes) d.f32(orvek_kernel::simdDot4(a, b));
         }
       }},
      {"simdNormalize3",
       [](const Inputs& in, Digest& d) {
         for (f32x4 v : in.lanes) d.lanes(orvek_kernel::simdNormalize3(v));
       }},
      {"cordicInvSqrt",
       [](const Inputs& in, Digest& d) {
         for (double x : in.scalars) d.f64(orvek_kernel::cordicInvSqrt(x));
         for (double x : in.scalars) d.f64(orvek_kernel::cordicInvSqrt(fromBits(bitsOf(x) & 0x7fffffffffffffff)));
       }},
      {"PGL4::mul",
       [](const Inputs& in, Digest& d) {
         for (const PGL4& a : in.matrices) {
           for (const PGL4& b : in.matrices) d.mat(PGL4::mul(a, b));
         }
       }},
      {"PGL4::apply",
       [](const Inputs& in, Digest& d) {
         for (const PGL4& m : in.matrices) {
           for (HomVec4 v : in.vectors) d.vec(m.apply(v));
         }
       }},
      {"PGL4::transpose",
       [](const Inputs& in, Digest& d) {
         for (const PGL4& m : in.matrices) d.mat(m.transpose());
       }},
      {"PGL4::det",
       [](const Inputs& in, Digest& d) {
         for (const PGL4& m : in.matrices) d.f64(m.det());
       }},
      {"PGL4::normalizeDet",
       [](const Inputs& in, Digest& d) {
         for (const PGL4& m : in.matrices) d.mat(m.normalizeDet());
       }},
  };

  struct InverseParams {
    double delta;
    std::uint32_t max_iter;
  };
  constexpr InverseParams kInverse[] = {{0.0, 0},  {0.0, 15}, {1e-10, 15}, {1e-8, 8},
                                        {0.0, 50}, {0.5, 4},  {-1.0, 15},  {1e-3, 1}};
  for (const InverseParams p : kInverse) {
    ops.push_back({inverseName(p.delta, p.max_iter), [p](const Inputs& in, Digest& d) {
                     for (const PGL4& m : in.matrices) d.mat(m.inverse(p.delta, p.max_iter));
                   }});
  }

  std::vector<Operation> rest = {
      {"pglTranslate",
       [](const Inputs& in, Digest& d) {
         for (std::size_t i = 0; i + 2 < in.scalars.size(); ++i) {
           d.mat(orvek_kernel::pglTranslate(in.scalars[i], in.scalars[i + 1], in.scalars[i + 2]));
         }
       }},
      {"pglScale",
       [](const Inputs& in, Digest& d) {
         for (std::size_t i = 0; i + 2 < in.scalars.size(); ++i) {
           d.mat(orvek_kernel::pglScale(in.scalars[i], in.scalars[i + 1], in.scalars[i + 2]));
         }
       }},
      {"pglRotateZ",
       [](const Inputs& in, Digest& d) {
         for (double a : in.scalars) d.mat(orvek_kernel::pglRotateZ(a));
       }},
      {"computeResonance",
       [](const Inputs& in, Digest& d) {
         for (const PGL4& m : in.matrices) d.mat(orvek_kernel::computeResonance(m));
       }},
      {"computeProjector",
       [](const Inputs& in, Digest& d) {
         for (const PGL4& m : in.matrices) {
           for (double delta : {0.0, 1e-8, 1e-3, 1.0}) d.mat(orvek_kernel::computeProjector(m, delta));
         }
       }},
      {"deformedTensorProduct",
       [](const Inputs& in, Digest& d) {
         for (const PGL4& a : in.matrices) {
           for (const PGL4& b : in.matrices) {
             for (double eps : {0.0, 1.0, -0.5, 1e-8, 0.3}) d.mat(orvek_kernel::deformedTensorProduct(a, b, eps));
           }
         }
       }},
      {"World", [](const Inputs&, Digest& d) { worldScenario(d); }},
  };
  for (Operation& op : rest) ops.push_back(std::move(op));
  return ops;
}

std::string formatLine(const std::string& name, const Digest& d) {
  char buf[160];
  std::snprintf(buf, sizeof buf, "%-26s %9" PRIu64 " %016" PRIx64, name.c_str(), d.count(), d.value());
  return buf;
}

// The lines of `path` that are not empty and do not start with '#'.
std::optional<std::vector<std::string>> readExpected(const char* path) {
  std::ifstream file(path);
  if (!file) return std::nullopt;
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.front() == '#') continue;
    lines.push_back(line);
  }
  return lines;
}

// Splits a line into whitespace-separated fields.
std::vector<std::string> fields(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> out;
  std::string f;
  while (in >> f) out.push_back(f);
  return out;
}

// Compares the produced lines with the expected ones field by field; reports the first
// differing operation. True when all agree.
bool compare(const std::vector<std::string>& actual, const std::vector<std::string>& expected) {
  const std::size_t n = actual.size() < expected.size() ? actual.size() : expected.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (fields(actual[i]) != fields(expected[i])) {
      std::fprintf(stderr, "first differing operation: %s\n  expected: %s\n  actual:   %s\n",
                   fields(actual[i]).front().c_str(), expected[i].c_str(), actual[i].c_str());
      return false;
    }
  }
  if (actual.size() != expected.size()) {
    std::fprintf(stderr, "the expected digests list %zu operations, this program %zu\n", expected.size(),
                 actual.size());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const char* expected_path = nullptr;
  if (argc == 3 && std::strcmp(argv[1], "--expect") == 0) {
    expected_path = argv[2];
  } else if (argc != 1) {
    std::fprintf(stderr, "usage: %s [--expect FILE]\n", argv[0]);
    return 2;
  }

  const Inputs inputs = makeInputs();
  std::vector<std::string> lines;
  for (const Operation& op : operations()) {
    Digest d;
    op.run(inputs, d);
    lines.push_back(formatLine(op.name, d));
    std::printf("%s\n", lines.back().c_str());
  }
  std::fflush(stdout);

  if (expected_path == nullptr) return 0;
  const std::optional<std::vector<std::string>> expected = readExpected(expected_path);
  if (!expected) {
    std::fprintf(stderr, "cannot read %s\n", expected_path);
    return 2;
  }
  if (!compare(lines, *expected)) return 1;
  std::fprintf(stderr, "all %zu digests agree with %s\n", lines.size(), expected_path);
  return 0;
}
