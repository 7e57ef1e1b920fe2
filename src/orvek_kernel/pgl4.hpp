#pragma once
/// Projective transformations of P³ as 4×4 matrices of doubles.
///
/// Storage is column-major: entry (row, col) is `data[col * 4 + row]`, so column 3
/// (`data[12..14]`) carries the translation of an affine map. Points are column
/// vectors and the matrix multiplies from the left: in `mul(a, b)`, b acts first.
///
/// Evaluation order is fixed: every matrix sum starts at 0.0 and adds its terms in
/// ascending index, every product is rounded before it is added, and entry-wise steps
/// run over the flat order 0..15. No operation normalises or checks its result.

#include <array>
#include <cstddef>

#include "orvek_kernel/config.hpp"
#include "orvek_kernel/hom_vec4.hpp"
#include "orvek_kernel/panic.hpp"

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
  constexpr double get(std::size_t row, std::size_t col) const noexcept {
    return data[checkedIndex(row, col)];
  }

  /// Stores `val` at entry (row, col); panics with "index out of bounds" when either index exceeds 3.
  constexpr void set(std::size_t row, std::size_t col, double val) noexcept { data[checkedIndex(row, col)] = val; }

  /// The product a·b: entry (row, col) is the sum over k = 0..3 of a(row, k)·b(k, col), from 0.0.
  static PGL4 mul(const PGL4& a, const PGL4& b) noexcept;

  /// The point self·v, neither normalised nor divided by w.
  HomVec4 apply(HomVec4 v) const noexcept;

  /// The transposed matrix.
  PGL4 transpose() const noexcept;

 private:
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
