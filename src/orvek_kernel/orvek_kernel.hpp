#pragma once
/// Umbrella header of orvek_kernel: points of P³, the Fubini–Study metric and PGL4 transforms.

#include "orvek_kernel/config.hpp"
#include "orvek_kernel/fs_metric.hpp"
#include "orvek_kernel/hom_vec4.hpp"
#include "orvek_kernel/panic.hpp"
#include "orvek_kernel/pgl4.hpp"
#include "orvek_kernel/transforms.hpp"
