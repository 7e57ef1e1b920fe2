#include "orvek_kernel/pgl4.hpp"

#include <cmath>
#include <cstring>

#if defined(__AVX__)
#include <immintrin.h>
#endif

// The helpers below pass 4-lane vectors by value. They have internal linkage and are always
// inlined, so the calling convention that -Wpsabi warns about (32-byte vectors without AVX)
// never comes into play.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace orvek_kernel {
namespace {

// Four doubles handled by one instruction where the target has 4-lane (AVX) or 2-lane (SSE2)
// registers. Every operation is the IEEE operation on each lane by itself, so each lane holds
// exactly the value the scalar code computes for its matrix entry: lanes only ever carry
// independent entries (the rows of one column, or the columns of one row), and each entry's
// own sum keeps its order.
typedef double Lanes __attribute__((vector_size(32)));
typedef long long LaneMask __attribute__((vector_size(32)));

#define ORVEK_INLINE inline __attribute__((always_inline))

ORVEK_INLINE Lanes load(const double* p) noexcept {
  Lanes v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

ORVEK_INLINE void store(double* p, Lanes v) noexcept { std::memcpy(p, &v, sizeof v); }

ORVEK_INLINE Lanes splat(double s) noexcept { return Lanes{s, s, s, s}; }

ORVEK_INLINE LaneMask splatMask(long long s) noexcept { return LaneMask{s, s, s, s}; }

// ((((0 + c0·s0) + c1·s1) + c2·s2) + c3·s3) lane by lane: one entry of a product per lane, its
// four terms added from 0.0 in ascending k.
ORVEK_INLINE Lanes sumOfProducts(Lanes c0, double s0, Lanes c1, double s1, Lanes c2, double s2, Lanes c3,
                                 double s3) noexcept {
  Lanes sum = Lanes{} + c0 * splat(s0);
  sum = sum + c1 * splat(s1);
  sum = sum + c2 * splat(s2);
  return sum + c3 * splat(s3);
}

// The matrix whose rows are r0..r3: the transpose of the one whose columns they are.
ORVEK_INLINE PGL4 fromRows(Lanes r0, Lanes r1, Lanes r2, Lanes r3) noexcept {
  PGL4 columns;
  store(&columns.data[0], r0);
  store(&columns.data[4], r1);
  store(&columns.data[8], r2);
  store(&columns.data[12], r3);
  return columns.transpose();
}

}  // namespace

PGL4 PGL4::mul(const PGL4& a, const PGL4& b) noexcept {
  // Column c of a·b is Σk a.col(k)·b(k, c): the four rows of the column are the lanes.
  const Lanes a0 = load(&a.data[0]);
  const Lanes a1 = load(&a.data[4]);
  const Lanes a2 = load(&a.data[8]);
  const Lanes a3 = load(&a.data[12]);
  PGL4 result;
  for (std::size_t col = 0; col < 4; ++col) {
    const double* bc = &b.data[col * 4];
    store(&result.data[col * 4], sumOfProducts(a0, bc[0], a1, bc[1], a2, bc[2], a3, bc[3]));
  }
  return result;
}

PGL4 PGL4::transpose() const noexcept {
  PGL4 result;
  for (std::size_t row = 0; row < 4; ++row) {
    for (std::size_t col = 0; col < 4; ++col) result.data[col * 4 + row] = data[row * 4 + col];
  }
  return result;
}

PGL4 PGL4::normalizeDet() const noexcept {
  const double d = det();
  if (std::fabs(d) < ZERO_NORM) return *this;
  // A positive factor: the sign of the determinant is kept.
  const double det_scale = std::pow(std::fabs(d), -0.25);
  PGL4 result;
  for (std::size_t i = 0; i < 16; i += 4) store(&result.data[i], load(&data[i]) * splat(det_scale));
  return result;
}

namespace {

// Row r of a·b = Σk a(r, k)·b.row(k) for one r, with a(r, k) = ar[k·stride], summed
// ((p0 + p1) + p2) + p3: without the leading 0.0, see PGL4::inverse. In the inverse every
// matrix is held as its four rows, one per vector. Then the broadcast operand of m·x is m,
// fixed for the whole iteration, and that of x·t is x, known a whole product earlier, so no
// broadcast lies on the chain from one product to the next.
ORVEK_INLINE Lanes rowOfProduct(const double* ar, std::size_t stride, Lanes b0, Lanes b1, Lanes b2, Lanes b3) noexcept {
  Lanes sum = b0 * splat(ar[0]) + b1 * splat(ar[stride]);
  sum = sum + b2 * splat(ar[2 * stride]);
  return sum + b3 * splat(ar[3 * stride]);
}

// Lanes where |d| ≥ 1e-12; a NaN lane fails the comparison.
ORVEK_INLINE LaneMask largeLanes(Lanes d) noexcept {
  const Lanes magnitude = reinterpret_cast<Lanes>(reinterpret_cast<LaneMask>(d) & splatMask(0x7fffffffffffffffLL));
  return magnitude >= splat(1e-12);
}

ORVEK_INLINE bool anyLane(LaneMask m) noexcept {
#if defined(__AVX__)
  return _mm256_movemask_pd(reinterpret_cast<__m256d>(m)) != 0;
#else
  return ((m[0] | m[1]) | (m[2] | m[3])) != 0;
#endif
}

}  // namespace

PGL4 PGL4::inverse(double delta, std::uint32_t max_iter) const noexcept {
  // m = self + delta·I, column by column. Adding −0 leaves every double as it is (+0 and −0
  // included), so one vector addition per column shifts its diagonal entry alone.
  constexpr double z = -0.0;
  const Lanes c0 = load(&data[0]) + Lanes{delta, z, z, z};
  const Lanes c1 = load(&data[4]) + Lanes{z, delta, z, z};
  const Lanes c2 = load(&data[8]) + Lanes{z, z, delta, z};
  const Lanes c3 = load(&data[12]) + Lanes{z, z, z, delta};
  double m[16];  // m(r, k) = m[k·4 + r], the broadcast operand of m·x
  store(&m[0], c0);
  store(&m[4], c1);
  store(&m[8], c2);
  store(&m[12], c3);

  // ‖m‖F² summed in flat order. The sum starts at 0.0, and 0.0 + m0·m0 is m0·m0 bit for bit
  // (a square is never −0), so the first term is taken as it is.
  const Lanes q0 = c0 * c0, q1 = c1 * c1, q2 = c2 * c2, q3 = c3 * c3;
  double norm_sq = q0[0];
  for (std::size_t i = 1; i < 4; ++i) norm_sq = norm_sq + q0[i];
  for (std::size_t i = 0; i < 4; ++i) norm_sq = norm_sq + q1[i];
  for (std::size_t i = 0; i < 4; ++i) norm_sq = norm_sq + q2[i];
  for (std::size_t i = 0; i < 4; ++i) norm_sq = norm_sq + q3[i];

  // Starting guess X0 = mᵀ / ‖m‖F², one division per entry: row r of mᵀ is column r of m.
  // m·X0 is symmetric with eigenvalues in (0, 1), so every pass shrinks the error; a zero m
  // makes it 0/0, all NaN.
  const Lanes n = splat(norm_sq);
  Lanes x0 = c0 / n;
  Lanes x1 = c1 / n;
  Lanes x2 = c2 / n;
  Lanes x3 = c3 / n;
  if (max_iter == 0) return fromRows(x0, x1, x2, x3);

  // Inside the loop the sums of the products leave out the 0.0 they start from, which takes
  // one addition off every chain. That changes a sum only when all its terms are −0: it is
  // then −0 instead of +0. Nothing downstream can tell: a zero factor makes a product ±0, a
  // zero term changes no sum other than a zero one, whose sign again is irrelevant, and
  // 2·I4 − m·x and |m·x − I4| come out the same for either zero. So m·x, the residual test
  // and x are what the written-out steps give, up to the sign of zeros; the returned iterate
  // gets its 0.0 added back, which turns −0 into +0 and changes no other value.
  const Lanes i0 = {1, 0, 0, 0}, i1 = {0, 1, 0, 0}, i2 = {0, 0, 1, 0}, i3 = {0, 0, 0, 1};
  const Lanes two_i0 = {2, 0, 0, 0}, two_i1 = {0, 2, 0, 0}, two_i2 = {0, 0, 2, 0}, two_i3 = {0, 0, 0, 2};

  // The residual product of one pass is the m·x the next pass starts from; it is formed once
  // and carried over, which changes no bit.
  Lanes mx0 = rowOfProduct(&m[0], 4, x0, x1, x2, x3);
  Lanes mx1 = rowOfProduct(&m[1], 4, x0, x1, x2, x3);
  Lanes mx2 = rowOfProduct(&m[2], 4, x0, x1, x2, x3);
  Lanes mx3 = rowOfProduct(&m[3], 4, x0, x1, x2, x3);
  for (std::uint32_t pass = 0; pass < max_iter; ++pass) {
    const Lanes t0 = two_i0 - mx0, t1 = two_i1 - mx1, t2 = two_i2 - mx2, t3 = two_i3 - mx3;
    // x ← x·(2I − m·x), the old iterate on the left; its entries, row by row, are the
    // broadcasts. They are read back from memory: a load-and-broadcast takes no arithmetic
    // slot, while broadcasting from the registers would cost 16 shuffles per pass.
    double xe[16];
    store(&xe[0], x0);
    store(&xe[4], x1);
    store(&xe[8], x2);
    store(&xe[12], x3);
    asm("" : "+m"(xe));
    x0 = rowOfProduct(&xe[0], 1, t0, t1, t2, t3);
    x1 = rowOfProduct(&xe[4], 1, t0, t1, t2, t3);
    x2 = rowOfProduct(&xe[8], 1, t0, t1, t2, t3);
    x3 = rowOfProduct(&xe[12], 1, t0, t1, t2, t3);

    mx0 = rowOfProduct(&m[0], 4, x0, x1, x2, x3);
    mx1 = rowOfProduct(&m[1], 4, x0, x1, x2, x3);
    mx2 = rowOfProduct(&m[2], 4, x0, x1, x2, x3);
    mx3 = rowOfProduct(&m[3], 4, x0, x1, x2, x3);
    // residual = max |m·x − I4| with NaN entries skipped, compared < 1e-12: the same as "no
    // entry has |d| ≥ 1e-12".
    if (!anyLane((largeLanes(mx0 - i0) | largeLanes(mx1 - i1)) | (largeLanes(mx2 - i2) | largeLanes(mx3 - i3)))) break;
  }
  const Lanes zero = {};
  return fromRows(x0 + zero, x1 + zero, x2 + zero, x3 + zero);
}

}  // namespace orvek_kernel
