#include "orvek_ecs/component.hpp"

#include <gtest/gtest.h>

#include <string_view>
#include <type_traits>

namespace orvek_ecs {
namespace {

TEST(Component, InitStoresItsArgumentsAndStartsInInit) {
  static constexpr std::string_view kName = "transform";
  const Component c = Component::init(ComponentTypeId::fromId(9), EntityId::init(3), kName);
  EXPECT_EQ(c.type_id.id, 9u);
  EXPECT_EQ(c.entity_id, EntityId::init(3));
  EXPECT_EQ(c.name.data(), kName.data());  // borrowed, not copied
  EXPECT_EQ(c.name.size(), kName.size());
  EXPECT_EQ(c.state, ComponentState::init);
  EXPECT_FALSE(c.isActive());
}

TEST(Component, NeitherTheKindNorTheEntityIsChecked) {
  const Component c = Component::init(ComponentTypeId::fromId(0), EntityId::invalid(), "");
  EXPECT_EQ(c.type_id.id, 0u);
  EXPECT_FALSE(c.entity_id.isValid());
  EXPECT_TRUE(c.name.empty());
}

TEST(Component, StateValuesAreFixed) {
  static_assert(std::is_same_v<std::underlying_type_t<ComponentState>, std::uint8_t>);
  EXPECT_EQ(static_cast<int>(ComponentState::init), 0);
  EXPECT_EQ(static_cast<int>(ComponentState::active), 1);
  EXPECT_EQ(static_cast<int>(ComponentState::inactive), 2);
  EXPECT_EQ(static_cast<int>(ComponentState::destroyed), 3);
}

struct Transition {
  ComponentState before;
  ComponentState after_activate;
  ComponentState after_deactivate;
};

// Every state against both operations; a call the state does not allow changes nothing.
constexpr Transition kLifecycle[] = {
    {ComponentState::init, ComponentState::active, ComponentState::init},
    {ComponentState::active, ComponentState::active, ComponentState::inactive},
    {ComponentState::inactive, ComponentState::active, ComponentState::inactive},
    {ComponentState::destroyed, ComponentState::destroyed, ComponentState::destroyed},
};

TEST(Component, LifecycleTable) {
  for (const Transition& t : kLifecycle) {
    SCOPED_TRACE(static_cast<int>(t.before));
    Component c = Component::init(ComponentTypeId::fromId(1), EntityId::init(1), "c");
    c.state = t.before;
    EXPECT_EQ(c.isActive(), t.before == ComponentState::active);

    Component activated = c;
    activated.activate();
    EXPECT_EQ(activated.state, t.after_activate);

    Component deactivated = c;
    deactivated.deactivate();
    EXPECT_EQ(deactivated.state, t.after_deactivate);
    // Only the state is touched.
    EXPECT_EQ(deactivated.type_id.id, 1u);
    EXPECT_EQ(deactivated.entity_id, EntityId::init(1));
  }
}

TEST(Component, ActivateDeactivateActivateRoundTrip) {
  Component c = Component::init(ComponentTypeId::fromId(1), EntityId::init(1), "transform");
  c.activate();
  EXPECT_TRUE(c.isActive());
  c.deactivate();
  EXPECT_FALSE(c.isActive());
  EXPECT_EQ(c.state, ComponentState::inactive);
  c.activate();
  EXPECT_TRUE(c.isActive());
}

}  // namespace
}  // namespace orvek_ecs
