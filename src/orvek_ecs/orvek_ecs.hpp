#pragma once
/// Umbrella header of orvek_ecs: entities placed in P³, their world, events and allocators.

#include "orvek_ecs/allocator.hpp"
#include "orvek_ecs/checked.hpp"
#include "orvek_ecs/component.hpp"
#include "orvek_ecs/component_type_id.hpp"
#include "orvek_ecs/entity.hpp"
#include "orvek_ecs/entity_array.hpp"
#include "orvek_ecs/entity_id.hpp"
#include "orvek_ecs/error.hpp"
#include "orvek_ecs/event_bus.hpp"
#include "orvek_ecs/events.hpp"
#include "orvek_ecs/result.hpp"
#include "orvek_ecs/world.hpp"
