// The kernel's vectorised code against the operations written out one scalar step at a time,
// on many pseudo-random inputs salted with the values where a changed evaluation order
// shows: signed zeros, NaN, infinities, subnormals, huge and tiny magnitudes, and sums that
// cancel. Results must agree bit for bit (any NaN matches any NaN: payloads are not fixed).

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "orvek_kernel/fs_metric.hpp"
#include "orvek_kernel/hom_vec4.hpp"
#include "orvek_kernel/operator_algebra.hpp"
#include "orvek_kernel/pgl4.hpp"
#include "orvek_kernel/transforms.hpp"

namespace orvek_kernel {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kDenorm = std::numeric_limits<double>::denorm_min();

// ---- comparison ----

::testing::AssertionResult same(double a, double b) {
  if ((std::isnan(a) && std::isnan(b)) || std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b)) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << std::hexfloat << a << " vs " << b;
}

::testing::AssertionResult same(const PGL4& a, const PGL4& b) {
  for (std::size_t i = 0; i < 16; ++i) {
    if (!same(a.data[i], b.data[i]))
      return ::testing::AssertionFailure() << "data[" << i << "]: " << same(a.data[i], b.data[i]).message();
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult same(HomVec4 a, HomVec4 b) {
  const double av[4] = {a.x, a.y, a.z, a.w};
  const double bv[4] = {b.x, b.y, b.z, b.w};
  for (std::size_t i = 0; i < 4; ++i) {
    if (!same(av[i], bv[i]))
      return ::testing::AssertionFailure() << "coordinate " << i << ": " << same(av[i], bv[i]).message();
  }
  return ::testing::AssertionSuccess();
}

// ---- the operations written out ----

double at(const PGL4& m, std::size_t r, std::size_t c) { return m.data[c * 4 + r]; }

PGL4 referenceMul(const PGL4& a, const PGL4& b) {
  PGL4 out{};
  for (std::size_t col = 0; col < 4; ++col) {
    for (std::size_t row = 0; row < 4; ++row) {
      double sum = 0.0;
      for (std::size_t k = 0; k < 4; ++k) sum = sum + at(a, row, k) * at(b, k, col);
      out.data[col * 4 + row] = sum;
    }
  }
  return out;
}

HomVec4 referenceApply(const PGL4& m, HomVec4 v) {
  const double component[4] = {v.x, v.y, v.z, v.w};
  double result[4] = {0.0, 0.0, 0.0, 0.0};
  for (std::size_t row = 0; row < 4; ++row) {
    for (std::size_t col = 0; col < 4; ++col) result[row] = result[row] + at(m, row, col) * component[col];
  }
  return HomVec4::init(result[0], result[1], result[2], result[3]);
}

PGL4 referenceTranspose(const PGL4& m) {
  PGL4 out{};
  for (std::size_t row = 0; row < 4; ++row) {
    for (std::size_t col = 0; col < 4; ++col) out.data[col * 4 + row] = at(m, col, row);
  }
  return out;
}

PGL4 referenceNormalizeDet(const PGL4& m) {
  const double d = m.det();
  if (std::fabs(d) < 1e-15) return m;
  const double s = std::pow(std::fabs(d), -0.25);
  PGL4 out = m;
  for (double& v : out.data) v = v * s;
  return out;
}

PGL4 referenceInverse(const PGL4& self, double delta, std::uint32_t max_iter) {
  const PGL4 I4 = PGL4::identity();
  PGL4 m_reg = self;
  for (std::size_t i = 0; i < 4; ++i) m_reg.data[i * 5] = m_reg.data[i * 5] + delta;
  const PGL4 mt = referenceTranspose(m_reg);
  double norm_sq = 0.0;
  for (std::size_t i = 0; i < 16; ++i) norm_sq = norm_sq + m_reg.data[i] * m_reg.data[i];
  PGL4 x = mt;
  for (std::size_t i = 0; i < 16; ++i) x.data[i] = mt.data[i] / norm_sq;
  for (std::uint32_t pass = 0; pass < max_iter; ++pass) {
    const PGL4 mx = referenceMul(m_reg, x);
    PGL4 two_i_minus_mx{};
    for (std::size_t i = 0; i < 16; ++i) two_i_minus_mx.data[i] = 2.0 * I4.data[i] - mx.data[i];
    x = referenceMul(x, two_i_minus_mx);
    const PGL4 residual_check = referenceMul(m_reg, x);
    double residual = 0.0;
    for (std::size_t i = 0; i < 16; ++i) residual = std::fmax(residual, std::fabs(residual_check.data[i] - I4.data[i]));
    if (residual < 1e-12) break;
  }
  return x;
}

PGL4 referenceProjector(const PGL4& jc, double delta) {
  const PGL4 jct = referenceTranspose(jc);
  PGL4 jjt = referenceMul(jc, jct);
  for (std::size_t i = 0; i < 4; ++i) jjt.data[i * 5] = jjt.data[i * 5] + delta;
  const PGL4 jjt_inv = referenceInverse(jjt, delta, 8);
  const PGL4 projector_part = referenceMul(referenceMul(jct, jjt_inv), jc);
  PGL4 pi = PGL4::identity();
  for (std::size_t i = 0; i < 16; ++i) pi.data[i] = pi.data[i] - projector_part.data[i];
  return pi;
}

double referenceDot(HomVec4 a, HomVec4 b) { return ((a.x * b.x + a.y * b.y) + a.z * b.z) + a.w * b.w; }

HomVec4 referenceNormalize(HomVec4 v) {
  const double n = std::sqrt(referenceDot(v, v));
  if (n < 1e-15) return HomVec4::init(0, 0, 0, 1);
  return HomVec4::init(v.x / n, v.y / n, v.z / n, v.w / n);
}

double referenceFsDistance(HomVec4 a, HomVec4 b) {
  const double na = std::sqrt(referenceDot(a, a));
  const double nb = std::sqrt(referenceDot(b, b));
  if (na < 1e-15 || nb < 1e-15) return 0.0;
  const double d = std::fabs(referenceDot(a, b)) / (na * nb);
  return std::acos(d < 1.0 ? d : 1.0);
}

// ---- inputs ----

// Pseudo-random values: mostly ordinary ones of either sign, with a share of the values at
// which evaluation order shows.
class Inputs {
 public:
  explicit Inputs(std::uint64_t seed) : g_(seed) {}

  double value() {
    static constexpr double kSpecial[] = {0.0,    -0.0,    1.0,   -1.0,   2.0,  kInf,  -kInf, kNaN, kDenorm, -kDenorm,
                                          1e-300, -1e-300, 1e300, -1e300, 1e17, -1e17, 1e-8,  0.5,  3.0,     1e-160};
    const std::uint64_t pick = g_() % 8;
    if (pick == 0) return kSpecial[g_() % std::size(kSpecial)];
    if (pick == 1) return std::ldexp(uniform(), static_cast<int>(g_() % 200) - 100);
    return uniform();
  }

  // Ordinary finite values only, in [−1, 1].
  double uniform() { return std::uniform_real_distribution<double>(-1.0, 1.0)(g_); }

  // A matrix with `special` of its entries drawn from value() and the rest ordinary.
  PGL4 matrix(std::size_t special) {
    PGL4 m{};
    for (double& v : m.data) v = uniform();
    for (std::size_t i = 0; i < special; ++i) m.data[g_() % 16] = value();
    return m;
  }

  // A matrix whose entries may all be special.
  PGL4 wildMatrix() {
    PGL4 m{};
    for (double& v : m.data) v = value();
    return m;
  }

  HomVec4 vector() { return HomVec4::init(value(), value(), value(), value()); }

  HomVec4 ordinaryVector() { return HomVec4::init(uniform(), uniform(), uniform(), uniform()); }

  std::uint64_t next() { return g_(); }

 private:
  std::mt19937_64 g_;
};

// Matrices where the sign of a zero sum is at stake: zero rows and columns of either sign.
std::vector<PGL4> signedZeroMatrices() {
  std::vector<PGL4> out;
  for (const double z : {0.0, -0.0}) {
    for (const double w : {0.0, -0.0}) {
      PGL4 m{};
      for (std::size_t i = 0; i < 16; ++i) m.data[i] = (i % 2 == 0) ? z : w;
      out.push_back(m);
      PGL4 mixed = PGL4::identity();
      mixed.data[1] = z;
      mixed.data[4] = w;
      mixed.data[12] = -1.0;
      out.push_back(mixed);
    }
  }
  return out;
}

// ---- the comparisons ----

TEST(VectorisedKernel, MulIsTheWrittenOutProduct) {
  Inputs in(1);
  for (int i = 0; i < 20000; ++i) {
    const PGL4 a = i % 4 == 0 ? in.wildMatrix() : in.matrix(i % 5);
    const PGL4 b = i % 3 == 0 ? in.wildMatrix() : in.matrix(i % 7);
    ASSERT_TRUE(same(PGL4::mul(a, b), referenceMul(a, b))) << "input " << i;
  }
  const std::vector<PGL4> zeros = signedZeroMatrices();
  for (const PGL4& a : zeros) {
    for (const PGL4& b : zeros) ASSERT_TRUE(same(PGL4::mul(a, b), referenceMul(a, b)));
  }
}

TEST(VectorisedKernel, MulOfNegativeZerosStartsFromPositiveZero) {
  // Every product is −0, so only the 0.0 that each sum starts from makes the entry +0.
  PGL4 neg{};
  for (double& v : neg.data) v = -0.0;
  PGL4 pos{};
  const PGL4 r = PGL4::mul(neg, pos);
  for (const double v : r.data) EXPECT_FALSE(std::signbit(v));
  const HomVec4 a = pos.apply(HomVec4::init(-1, -1, -1, -1));
  for (const double v : {a.x, a.y, a.z, a.w}) EXPECT_FALSE(std::signbit(v));
}

TEST(VectorisedKernel, ApplyIsTheWrittenOutAction) {
  Inputs in(2);
  for (int i = 0; i < 20000; ++i) {
    const PGL4 m = i % 4 == 0 ? in.wildMatrix() : in.matrix(i % 5);
    const HomVec4 v = i % 2 == 0 ? in.vector() : in.ordinaryVector();
    ASSERT_TRUE(same(m.apply(v), referenceApply(m, v))) << "input " << i;
  }
  for (const PGL4& m : signedZeroMatrices()) {
    for (const double z : {0.0, -0.0})
      ASSERT_TRUE(same(m.apply(HomVec4::init(z, -z, z, 1)), referenceApply(m, HomVec4::init(z, -z, z, 1))));
  }
}

TEST(VectorisedKernel, TransposeAndNormalizeDetAreTheWrittenOutSteps) {
  Inputs in(3);
  for (int i = 0; i < 5000; ++i) {
    const PGL4 m = i % 4 == 0 ? in.wildMatrix() : in.matrix(i % 3);
    ASSERT_TRUE(same(m.transpose(), referenceTranspose(m))) << "input " << i;
    ASSERT_TRUE(same(m.normalizeDet(), referenceNormalizeDet(m))) << "input " << i;
  }
}

TEST(VectorisedKernel, InverseIsTheWrittenOutIteration) {
  Inputs in(4);
  const double deltas[] = {0.0, 1e-10, 1e-8, 0.1, -0.5, -0.0, kNaN};
  for (int i = 0; i < 3000; ++i) {
    const PGL4 m = i % 5 == 0 ? in.wildMatrix() : in.matrix(i % 3);
    const double delta = deltas[static_cast<std::size_t>(i) % std::size(deltas)];
    const std::uint32_t max_iter = static_cast<std::uint32_t>(in.next() % 17);
    ASSERT_TRUE(same(m.inverse(delta, max_iter), referenceInverse(m, delta, max_iter)))
        << "input " << i << ", delta " << delta << ", max_iter " << max_iter;
  }
}

TEST(VectorisedKernel, InverseOfTheKnownMatricesIsTheWrittenOutIteration) {
  const PGL4 cases[] = {PGL4::identity(), pglScale(2, 3, 4), pglTranslate(1, 2, 3), pglScale(0, 3, 4),
                        PGL4::init({}),   pglRotateZ(0.3),   pglScale(1e-8, 1e8, 1)};
  for (const PGL4& m : cases) {
    for (const double delta : {0.0, 1e-10}) {
      for (const std::uint32_t max_iter : {0u, 1u, 7u, 8u, 15u, 40u}) {
        ASSERT_TRUE(same(m.inverse(delta, max_iter), referenceInverse(m, delta, max_iter)));
      }
    }
  }
  for (const PGL4& m : signedZeroMatrices()) ASSERT_TRUE(same(m.inverse(1e-10, 15), referenceInverse(m, 1e-10, 15)));
}

TEST(VectorisedKernel, ProjectorIsTheWrittenOutConstruction) {
  Inputs in(5);
  for (int i = 0; i < 2000; ++i) {
    const PGL4 jc = i % 5 == 0 ? in.wildMatrix() : in.matrix(i % 3);
    const double delta = i % 2 == 0 ? 1e-8 : 0.0;
    ASSERT_TRUE(same(computeProjector(jc, delta), referenceProjector(jc, delta))) << "input " << i;
  }
  for (const PGL4& jc : {PGL4::identity(), pglScale(1, 1, 0), PGL4::init({}), pglScale(2, 3, 4)}) {
    ASSERT_TRUE(same(computeProjector(jc, 1e-8), referenceProjector(jc, 1e-8)));
  }
}

TEST(VectorisedKernel, NormalizeAndFsDistanceAreTheWrittenOutSteps) {
  Inputs in(6);
  for (int i = 0; i < 50000; ++i) {
    const HomVec4 a = i % 2 == 0 ? in.vector() : in.ordinaryVector();
    const HomVec4 b = i % 3 == 0 ? in.vector() : in.ordinaryVector();
    ASSERT_TRUE(same(a.normalize(), referenceNormalize(a))) << "input " << i;
    ASSERT_TRUE(same(fsDistance(a, b), referenceFsDistance(a, b))) << "input " << i;
    ASSERT_TRUE(same(fsDistance(a, a), referenceFsDistance(a, a))) << "input " << i;
  }
}

}  // namespace
}  // namespace orvek_kernel
