#include "orvek_ecs/result.hpp"

#include <gtest/gtest.h>

#include "orvek_ecs/entity_id.hpp"

namespace orvek_ecs {
namespace {

struct Pair {
  int a;
  int b;
};

TEST(Result, AValueIsHeldAndReadable) {
  Result<EntityId> r = EntityId::init(5);
  EXPECT_TRUE(r.has_value());
  EXPECT_TRUE(static_cast<bool>(r));
  EXPECT_EQ(r.value(), EntityId::init(5));
  EXPECT_EQ(*r, EntityId::init(5));
  EXPECT_EQ(r->id, 5u);
  const Result<EntityId>& cr = r;
  EXPECT_EQ(cr.value(), EntityId::init(5));

  Result<Pair> p = Pair{1, 2};
  p->b = 3;
  EXPECT_EQ(p.value().b, 3);
}

TEST(Result, AnErrorIsHeldAndReadable) {
  const Result<EntityId> r = Error::OutOfMemory;
  EXPECT_FALSE(r.has_value());
  EXPECT_FALSE(static_cast<bool>(r));
  EXPECT_EQ(r.error(), Error::OutOfMemory);
}

TEST(Result, IsAPlainValue) {
  static_assert(std::is_trivially_copyable_v<Result<EntityId>>);
  const Result<EntityId> a = EntityId::init(9);
  const Result<EntityId> b = a;
  EXPECT_EQ(*b, EntityId::init(9));
}

constexpr const char* kNull = "thread [0-9]+ panic: attempt to use null value";

TEST(ResultDeathTest, ReadingTheMissingSideStops) {
  Result<EntityId> failed = Error::OutOfMemory;
  const Result<EntityId> const_failed = Error::OutOfMemory;
  EXPECT_DEATH((void)failed.value(), kNull);
  EXPECT_DEATH((void)const_failed.value(), kNull);
  EXPECT_DEATH((void)*failed, kNull);
  EXPECT_DEATH((void)failed->id, kNull);
  const Result<EntityId> ok = EntityId::init(1);
  EXPECT_DEATH((void)ok.error(), kNull);
}

}  // namespace
}  // namespace orvek_ecs
