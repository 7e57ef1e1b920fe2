#pragma once
// Inputs shared by orvek's benchmarks and the anchors': the same pseudo-random values, made
// once with a fixed seed, so every library works on the same numbers.

#include <array>
#include <cstddef>
#include <vector>

namespace orvek_bench {

/// Pool size of every input table; a power of two so the index wraps with a mask.
inline constexpr std::size_t kPool = 256;
inline constexpr std::size_t kPoolMask = kPool - 1;

/// `kPool` matrices of entries uniform in [−1, 1], column-major (entry (r, c) at c*4 + r).
const std::vector<std::array<double, 16>>& matrixInputs();

/// `kPool` 4-vectors of coordinates uniform in [−1, 1].
const std::vector<std::array<double, 4>>& vectorInputs();

/// diag(2, 3, 4, 1), column-major.
inline constexpr std::array<double, 16> kDiag2341 = {2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 1};

/// The translation by (1, 2, 3), column-major.
inline constexpr std::array<double, 16> kTranslate123 = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1};

}  // namespace orvek_bench
