#pragma once
/// Umbrella header of orvek_kernel: points of P³, the Fubini–Study metric, PGL4 transforms,
/// the operator algebra and the single-precision vector routines.

#include "orvek_kernel/config.hpp"
#include "orvek_kernel/fs_metric.hpp"
#include "orvek_kernel/hom_vec4.hpp"
#include "orvek_kernel/operator_algebra.hpp"
#include "orvek_kernel/panic.hpp"
#include "orvek_kernel/pgl4.hpp"
#include "orvek_kernel/rounded.hpp"
#include "orvek_kernel/simd.hpp"
#include "orvek_kernel/transforms.hpp"
