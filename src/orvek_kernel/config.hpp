#pragma once
/// Build-time guards shared by every kernel header.

#if defined(__FAST_MATH__)
#error "orvek_kernel: -ffast-math is not supported. The kernel's results are specified bit for bit (IEEE-754 rounding, NaN and infinity semantics, fixed evaluation order); build without -ffast-math."
#endif
