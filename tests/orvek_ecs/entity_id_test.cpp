#include "orvek_ecs/entity_id.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace orvek_ecs {
namespace {

TEST(EntityId, ZeroIsTheOnlyInvalidNumber) {
  EXPECT_TRUE(EntityId::init(42).isValid());
  EXPECT_TRUE(EntityId::init(1).isValid());
  EXPECT_TRUE(EntityId::init(std::numeric_limits<std::uint64_t>::max()).isValid());
  EXPECT_FALSE(EntityId::invalid().isValid());
  EXPECT_FALSE(EntityId::init(0).isValid());
  EXPECT_EQ(EntityId::init(0), EntityId::invalid());
}

TEST(EntityId, EqualExactlyWhenTheNumbersAre) {
  EXPECT_EQ(EntityId::init(7), EntityId::init(7));
  EXPECT_NE(EntityId::init(7), EntityId::init(8));
  EXPECT_NE(EntityId::init(1), EntityId::invalid());
  EXPECT_EQ(EntityId::init(123).id, 123u);
}

// The identifier is a plain constant-evaluable value, usable in tables and templates.
static_assert(EntityId::init(5).isValid() && !EntityId::invalid().isValid());
static_assert(EntityId::init(5) == EntityId::init(5));
static_assert(sizeof(EntityId) == sizeof(std::uint64_t));

}  // namespace
}  // namespace orvek_ecs
