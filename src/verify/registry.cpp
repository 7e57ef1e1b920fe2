#include "verify/registry.hpp"

#include <vector>

#include "orvek_ecs/cases/ecs_cases.hpp"
#include "orvek_kernel/cases/kernel_cases.hpp"

namespace orvek_verify {

std::span<const Case> registry() noexcept {
  static const std::vector<Case> all = [] {
    std::vector<Case> cases;
    for (const Case& c : orvek_ecs::cases::ecsCases()) cases.push_back(c);
    for (const Case& c : orvek_kernel::cases::kernelCases()) cases.push_back(c);
    return cases;
  }();
  return all;
}

}  // namespace orvek_verify
