#include "orvek_ecs/event_bus.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "bit_equal.hpp"
#include "orvek_ecs/events.hpp"
#include "orvek_kernel/transforms.hpp"

namespace orvek_ecs {
namespace {

using orvek_kernel::HomVec4;
using orvek_kernel::testing::sameBits;

// Handlers are plain functions, so what they see is recorded in globals, reset per test.
std::vector<PositionChangedEvent> g_seen_by_first;
std::vector<PositionChangedEvent> g_seen_by_second;
std::vector<TransformChangedEvent> g_transforms_seen;

void recordFirst(PositionChangedEvent event) { g_seen_by_first.push_back(event); }
void recordSecond(PositionChangedEvent event) { g_seen_by_second.push_back(event); }
void recordTransform(TransformChangedEvent event) { g_transforms_seen.push_back(event); }
void scribble(PositionChangedEvent event) {
  event.fs_distance_moved = -1.0;  // a copy: the caller's event is not reached
  g_seen_by_first.push_back(event);
}

class EventBusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_seen_by_first.clear();
    g_seen_by_second.clear();
    g_transforms_seen.clear();
  }

  static PositionChangedEvent sample() {
    return PositionChangedEvent{EntityId::init(17), HomVec4::init(1, 2, 3, 4), HomVec4::init(-0.5, 0, 0.25, 1), 0.125};
  }
};

TEST_F(EventBusTest, ANewBusHasNoHandlerAndDropsEvents) {
  const EventBus<PositionChangedEvent> bus = EventBus<PositionChangedEvent>::init();
  EXPECT_EQ(bus.handler, nullptr);
  bus.dispatch(sample());
  EXPECT_TRUE(g_seen_by_first.empty());
}

TEST_F(EventBusTest, TheHandlerSeesExactlyTheDispatchedFields) {
  EventBus<PositionChangedEvent> bus = EventBus<PositionChangedEvent>::init();
  bus.setHandler(&recordFirst);
  const PositionChangedEvent sent = sample();
  bus.dispatch(sent);
  ASSERT_EQ(g_seen_by_first.size(), 1u);  // ran inside dispatch, once
  const PositionChangedEvent& got = g_seen_by_first[0];
  EXPECT_EQ(got.entity_id, sent.entity_id);
  EXPECT_TRUE(sameBits(got.old_position, sent.old_position));
  EXPECT_TRUE(sameBits(got.new_position, sent.new_position));
  EXPECT_EQ(got.fs_distance_moved, sent.fs_distance_moved);
}

TEST_F(EventBusTest, ASecondHandlerReplacesTheFirst) {
  EventBus<PositionChangedEvent> bus = EventBus<PositionChangedEvent>::init();
  bus.setHandler(&recordFirst);
  bus.setHandler(&recordSecond);
  bus.dispatch(sample());
  EXPECT_TRUE(g_seen_by_first.empty());
  EXPECT_EQ(g_seen_by_second.size(), 1u);
}

TEST_F(EventBusTest, EveryDispatchCallsTheHandlerOnce) {
  EventBus<PositionChangedEvent> bus = EventBus<PositionChangedEvent>::init();
  bus.setHandler(&recordFirst);
  for (std::uint64_t i = 1; i <= 3; ++i) {
    PositionChangedEvent event = sample();
    event.entity_id = EntityId::init(i);
    bus.dispatch(event);
  }
  ASSERT_EQ(g_seen_by_first.size(), 3u);
  EXPECT_EQ(g_seen_by_first[0].entity_id, EntityId::init(1));
  EXPECT_EQ(g_seen_by_first[2].entity_id, EntityId::init(3));
}

TEST_F(EventBusTest, TheHandlerGetsACopy) {
  EventBus<PositionChangedEvent> bus = EventBus<PositionChangedEvent>::init();
  bus.setHandler(&scribble);
  const PositionChangedEvent sent = sample();
  PositionChangedEvent mine = sent;
  bus.dispatch(mine);
  EXPECT_EQ(mine.fs_distance_moved, sent.fs_distance_moved);
  ASSERT_EQ(g_seen_by_first.size(), 1u);
  EXPECT_EQ(g_seen_by_first[0].fs_distance_moved, -1.0);
}

TEST_F(EventBusTest, CopiesOfABusAreIndependent) {
  EventBus<PositionChangedEvent> original = EventBus<PositionChangedEvent>::init();
  original.setHandler(&recordFirst);
  EventBus<PositionChangedEvent> copy = original;
  copy.setHandler(&recordSecond);
  original.dispatch(sample());
  EXPECT_EQ(g_seen_by_first.size(), 1u);
  EXPECT_TRUE(g_seen_by_second.empty());
  copy.dispatch(sample());
  EXPECT_EQ(g_seen_by_second.size(), 1u);
}

TEST_F(EventBusTest, TransformEventsTravelTheSameWay) {
  EventBus<TransformChangedEvent> bus = EventBus<TransformChangedEvent>::init();
  bus.dispatch(TransformChangedEvent{});  // no handler yet
  bus.setHandler(&recordTransform);
  const TransformChangedEvent sent{EntityId::init(4), orvek_kernel::PGL4::identity(),
                                   orvek_kernel::pglTranslate(1, 2, 3)};
  bus.dispatch(sent);
  ASSERT_EQ(g_transforms_seen.size(), 1u);
  EXPECT_EQ(g_transforms_seen[0].entity_id, EntityId::init(4));
  EXPECT_EQ(g_transforms_seen[0].old_transform.data, sent.old_transform.data);
  EXPECT_EQ(g_transforms_seen[0].new_transform.data, sent.new_transform.data);
}

// The bus holds one address and nothing else.
static_assert(sizeof(EventBus<PositionChangedEvent>) == sizeof(void (*)(PositionChangedEvent)));

}  // namespace
}  // namespace orvek_ecs
