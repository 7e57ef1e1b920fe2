#pragma once
/// Umbrella header of orvek_ecs: entities placed in P³, their world, events and allocators.

#include "orvek_ecs/allocator.hpp"
