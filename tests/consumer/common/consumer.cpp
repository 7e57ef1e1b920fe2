// A small program as a user of the installed or embedded library would write it:
// one kernel result and one world query, checked, exit status 0 when both hold.
#include <orvek_ecs/orvek_ecs.hpp>
#include <orvek_kernel/orvek_kernel.hpp>
#include <orvek_kernel/version.hpp>

#include <cstdio>

int main() {
  using namespace orvek_kernel;
  const HomVec4 moved = pglTranslate(10, 20, 30).apply(HomVec4::fromCartesian(1, 2, 3));
  const auto c = moved.cartesian3();
  if (c[0] != 11.0 || c[1] != 22.0 || c[2] != 33.0) {
    std::fprintf(stderr, "translation gave (%g, %g, %g)\n", c[0], c[1], c[2]);
    return 1;
  }

  orvek_ecs::World world = orvek_ecs::World::init(orvek_ecs::heapAllocator());
  const auto near = world.createEntity("near");
  const auto far = world.createEntity("far");
  if (!near || !far) return 1;
  world.getEntity(*near)->setPosition(HomVec4::init(1, 0, 0, 0));
  world.getEntity(*far)->setPosition(HomVec4::init(0, 1, 0, 0));
  const auto nearest = world.findNearest(HomVec4::init(0.9, 0.1, 0, 0));
  world.deinit();
  if (!nearest || !(*nearest == *near)) {
    std::fprintf(stderr, "findNearest missed the near entity\n");
    return 1;
  }
  std::printf("orvek %s consumer: ok\n", VERSION_STRING);
  return 0;
}
