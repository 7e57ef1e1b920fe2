// Built only with -fsyntax-only by the compile-failure tests: the kernel headers refuse -ffast-math.
#include "orvek_kernel/orvek_kernel.hpp"

double entry() { return orvek_kernel::W_EPS; }
