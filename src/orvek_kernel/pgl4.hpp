#pragma once
/// Projective transformations of P³ as 4×4 matrices of doubles.
///
/// Storage is column-major: entry (row, col) is `data[col * 4 + row]`, so `data[0..3]` is
/// column 0 and column 3 (`data[12..14]`) carries the translation of an affine map. Points
/// are column vectors and the matrix multiplies from the left: `m.apply(v)` is m·v, and in
/// `mul(a, b)` b acts first (`mul(a, b).apply(v)` is `a.apply(b.apply(v))` up to rounding).
/// A projective map is a matrix up to a non-zero factor; the type keeps one representative
/// and never identifies multiples (`normalizeDet` picks the one with |det| = 1 on request).
///
/// Evaluation order is fixed, so that every build gives the same bits: every matrix sum
/// starts at 0.0 and adds its terms left to right in ascending index, every product is
/// rounded on its own before it is added (no fused multiply-add), and entry-wise steps run
/// over the flat order 0..15. The build enforces the no-FMA part: orvek_kernel carries
/// -ffp-contract=off as a PUBLIC compile option, so code that inlines these functions gets
/// it too; the inline `det` keeps its products apart even where that code turns contraction
/// back on (rounded.hpp); and config.hpp refuses -ffast-math. No operation normalises or
/// checks its result.

#include <array>
#include <cstddef>
#include <cstdint>

#include "orvek_kernel/config.hpp"
#include "orvek_kernel/hom_vec4.hpp"
#include "orvek_kernel/panic.hpp"
#include "orvek_kernel/rounded.hpp"

namespace orvek_kernel {

/// A real 4×4 matrix acting on `HomVec4` column vectors; any 16 doubles are a valid value.
struct PGL4 {
  std::array<double, 16> data;  ///< the entries, column by column

  /// The matrix holding exactly these 16 values, already in column-major order.
  static constexpr PGL4 init(const std::array<double, 16>& values) noexcept { return PGL4{values}; }

  /// The 4×4 identity.
  static constexpr PGL4 identity() noexcept {
    return PGL4{{1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0}};
  }

  /// The matrix whose entry (row, col) is `m[row][col]`.
  static constexpr PGL4 fromRowMajor(const std::array<std::array<double, 4>, 4>& m) noexcept {
    PGL4 result{};
    for (std::size_t col = 0; col < 4; ++col) {
      for (std::size_t row = 0; row < 4; ++row) result.data[col * 4 + row] = m[row][col];
    }
    return result;
  }

  /// Entry (row, col); panics with "index out of bounds" when either index exceeds 3.
  constexpr double get(std::size_t row, std::size_t col) const noexcept { return data[checkedIndex(row, col)]; }

  /// Stores `val` at entry (row, col); panics with "index out of bounds" when either index exceeds 3.
  constexpr void set(std::size_t row, std::size_t col, double val) noexcept { data[checkedIndex(row, col)] = val; }

  /// The product a·b: entry (row, col) is the sum over k = 0..3 of a(row, k)·b(k, col), from 0.0.
  static PGL4 mul(const PGL4& a, const PGL4& b) noexcept;

  /// The point self·v, neither normalised nor divided by w.
  ///
  /// Fixed accumulation order: result[row] = (((0 + a(row, 0)·x) + a(row, 1)·y) + a(row, 2)·z)
  /// + a(row, 3)·w. Inline, so that a loop of actions pays no call: the rows are computed side
  /// by side, one per vector lane, each with its own sum, and every product is rounded on its
  /// own (rounded.hpp) even where the caller's code allows contraction.
  HomVec4 apply(HomVec4 v) const noexcept {
    // Four lanes where the target has AVX, two (SSE2) otherwise: the widest vector that the
    // product barrier can hold in one register.
#if defined(__AVX__)
    typedef double Lanes __attribute__((vector_size(32)));
#else
    typedef double Lanes __attribute__((vector_size(16)));
#endif
    constexpr std::size_t kLanes = sizeof(Lanes) / sizeof(double);
    // factor[col]: what multiplies column col, coordinate col of v in every lane.
#if defined(__AVX2__)
    // The point is loaded once and each coordinate spread over the lanes in registers: four
    // loads fewer than broadcasting each one from memory, and loads are what a loop of
    // actions runs out of first.
    Lanes point = {v.x, v.y, v.z, v.w};
    forgetOrigin(point);  // in a register: the compiler would turn the spreads back into loads
    const Lanes factor[4] = {
        __builtin_shufflevector(point, point, 0, 0, 0, 0), __builtin_shufflevector(point, point, 1, 1, 1, 1),
        __builtin_shufflevector(point, point, 2, 2, 2, 2), __builtin_shufflevector(point, point, 3, 3, 3, 3)};
#else
    const double factor[4] = {v.x, v.y, v.z, v.w};  // spread over the lanes by the product
#endif
    double result[4];
    for (std::size_t row = 0; row < 4; row += kLanes) {
      Lanes sum = {};
      for (std::size_t col = 0; col < 4; ++col) {
        Lanes column;  // rows row .. row + kLanes − 1 of column col
        for (std::size_t lane = 0; lane < kLanes; ++lane) column[lane] = data[col * 4 + row + lane];
        Lanes product = column * factor[col];
        forgetOrigin(product);
        sum = sum + product;
      }
      for (std::size_t lane = 0; lane < kLanes; ++lane) result[row + lane] = sum[lane];
    }
    return HomVec4::init(result[0], result[1], result[2], result[3]);
  }

  /// The transposed matrix.
  PGL4 transpose() const noexcept;

  /// The determinant, by cofactor expansion along row 0.
  ///
  /// Fixed accumulation order: ((t0 − t1) + t2) − t3 with tk = a(0, k)·minor(0, k); all four
  /// minors are always computed, without pivoting. Usable at build time.
  constexpr double det() const noexcept {
    // Every product through roundedMul: this is inlined into the caller's code, whose
    // options may allow contraction.
    const double t0 = roundedMul(get(0, 0), minor(*this, 0, 0));
    const double t1 = roundedMul(get(0, 1), minor(*this, 0, 1));
    const double t2 = roundedMul(get(0, 2), minor(*this, 0, 2));
    const double t3 = roundedMul(get(0, 3), minor(*this, 0, 3));
    return ((t0 - t1) + t2) - t3;
  }

  /// This matrix scaled by |det|^(−1/4), so that |det| becomes 1 with its sign kept.
  ///
  /// A determinant of magnitude below 1e-15 (absolute, strictly) leaves the matrix
  /// unchanged; a NaN determinant passes that test and makes every entry NaN.
  PGL4 normalizeDet() const noexcept;

  /// An approximate inverse of this matrix plus `delta`·I, by Newton–Schulz iteration.
  ///
  /// Starts from X0 = Mᵀ / ‖M‖F² (M the shifted matrix) and repeats X ← X·(2I − M·X)
  /// at most `max_iter` times, stopping after the first pass whose largest absolute
  /// entry of M·X − I is below 1e-12 (NaN entries are skipped in that maximum). The last
  /// iterate is returned as it is, converged or not. Nothing is reported.
  ///
  /// Each pass squares the error I − M·X. From this start M·X0 is symmetric with its
  /// eigenvalues in (0, 1), so for a regular M the error shrinks every pass; the passes
  /// needed grow with ‖M‖F² / σ² (σ the smallest singular value of M): the identity takes 7,
  /// diag(2, 3, 4, 1) 10, the translation by (1, 2, 3) 13. A singular M never meets the
  /// tolerance and runs all passes; a zero M (0/0 in X0) gives a matrix of NaNs.
  PGL4 inverse(double delta, std::uint32_t max_iter) const noexcept;

 private:
  // The determinant of `m` without row r and column c, rows and columns kept in
  // ascending order. Fixed order: (s00·(s11·s22 − s12·s21) − s01·(s10·s22 − s12·s20))
  // + s02·(s10·s21 − s11·s20).
  static constexpr double minor(const PGL4& m, std::size_t r, std::size_t c) noexcept {
    double s[3][3] = {};
    std::size_t si = 0;
    for (std::size_t i = 0; i < 4; ++i) {
      if (i == r) continue;
      std::size_t sj = 0;
      for (std::size_t j = 0; j < 4; ++j) {
        if (j == c) continue;
        s[si][sj] = m.get(i, j);
        ++sj;
      }
      ++si;
    }
    const double c0 = roundedMul(s[1][1], s[2][2]) - roundedMul(s[1][2], s[2][1]);
    const double c1 = roundedMul(s[1][0], s[2][2]) - roundedMul(s[1][2], s[2][0]);
    const double c2 = roundedMul(s[1][0], s[2][1]) - roundedMul(s[1][1], s[2][0]);
    return (roundedMul(s[0][0], c0) - roundedMul(s[0][1], c1)) + roundedMul(s[0][2], c2);
  }

  // The flat index of (row, col), or a panic naming it. The index is reported as
  // col * 4 + row, saturated so that a huge column cannot wrap into range.
  static constexpr std::size_t checkedIndex(std::size_t row, std::size_t col) noexcept {
    if (row < 4 && col < 4) return col * 4 + row;
    constexpr std::size_t kMax = static_cast<std::size_t>(-1);
    const std::size_t flat = col > (kMax - row) / 4 ? kMax : col * 4 + row;
    panicIndexOutOfBounds(flat, 16);
  }
};

}  // namespace orvek_kernel
