// Built only with -fsyntax-only by the compile-failure tests: pglFromHomogeneous must refuse
// a singular matrix while the program is built. ORVEK_MATRIX picks the argument.
#include "orvek_kernel/transforms.hpp"

#ifndef ORVEK_MATRIX
#error "define ORVEK_MATRIX"
#endif

#define ORVEK_REGULAR 1
#define ORVEK_DEPENDENT_ROWS 2
#define ORVEK_ZERO 3
#define ORVEK_TINY_DET 4

namespace {

#if ORVEK_MATRIX == ORVEK_REGULAR
constexpr orvek_kernel::PGL4 kM =
    orvek_kernel::pglFromHomogeneous({{{2, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 4, 0}, {0, 0, 0, 5}}});
#elif ORVEK_MATRIX == ORVEK_DEPENDENT_ROWS
constexpr orvek_kernel::PGL4 kM =
    orvek_kernel::pglFromHomogeneous({{{1, 2, 3, 4}, {2, 4, 6, 8}, {0, 0, 1, 0}, {0, 0, 0, 1}}});
#elif ORVEK_MATRIX == ORVEK_ZERO
constexpr orvek_kernel::PGL4 kM = orvek_kernel::pglFromHomogeneous({});
#elif ORVEK_MATRIX == ORVEK_TINY_DET
// det 1e-16: below the bound, refused although the matrix is a uniform scaling.
constexpr orvek_kernel::PGL4 kM =
    orvek_kernel::pglFromHomogeneous({{{1e-4, 0, 0, 0}, {0, 1e-4, 0, 0}, {0, 0, 1e-4, 0}, {0, 0, 0, 1e-4}}});
#endif

}  // namespace

double entry() { return kM.get(0, 0); }
