#pragma once
/// Build-time guards shared by every kernel header.
///
/// The kernel's results are fixed bit for bit, which -ffast-math would undo (it lets the
/// compiler reorder sums, replace divisions by reciprocal products and assume there are no
/// NaNs or infinities), so a translation unit built with it stops here as soon as it
/// includes a kernel header. The other half of the contract, -ffp-contract=off (no fused
/// multiply-add), is a PUBLIC compile option of the orvek_kernel target and so reaches every
/// target that links it.

#if defined(__FAST_MATH__)
#error \
    "orvek_kernel: -ffast-math is not supported. The kernel's results are specified bit for bit (IEEE-754 rounding, NaN and infinity semantics, fixed evaluation order); build without -ffast-math."
#endif
