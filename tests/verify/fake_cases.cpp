#include "fake_cases.hpp"

#include "verify/case_allocator.hpp"
#include "verify/log.hpp"

namespace orvek_verify::fake {

const std::array<std::string_view, 30> kNames = {
    "orvek_ecs.test.ECS: Entity creation and lifecycle",
    "orvek_ecs.test.ECS: Entity position in P³",
    "orvek_ecs.test.ECS: Entity FS distance",
    "orvek_ecs.test.ECS: EntityId validity",
    "orvek_ecs.test.ECS: Component lifecycle",
    "orvek_ecs.test.ECS: World create and find",
    "orvek_ecs.test.ECS: World findNearest",
    "orvek_ecs.test.ECS: World active count",
    "orvek_ecs.test.ECS: EventBus dispatch",
    "orvek_ecs.test.ECS: Entity version tracking",
    "orvek_ecs.test.ECS: Entity world transform PGL4",
    "orvek_kernel.test.HomVec4: constructors and cartesian dehomogenization",
    "orvek_kernel.test.HomVec4: normalization on S³",
    "orvek_kernel.test.HomVec4: dot product and isSamePoint",
    "orvek_kernel.test.HomVec4: antipodal check Z/2Z",
    "orvek_kernel.test.HomVec4: affine card selection",
    "orvek_kernel.test.Fubini-Study distance: known values",
    "orvek_kernel.test.PGL4: identity action",
    "orvek_kernel.test.PGL4: determinant",
    "orvek_kernel.test.PGL4: translation and scale",
    "orvek_kernel.test.PGL4: Newton-Schulz inverse",
    "orvek_kernel.test.PGL4: normalizeDet → det ≈ 1",
    "orvek_kernel.test.PGL4: rotation preserves norm",
    "orvek_kernel.test.SIMD: dot4 and normalize",
    "orvek_kernel.test.CORDIC inverse sqrt",
    "orvek_kernel.test.Resonance J = A − Aᵀ is antisymmetric",
    "orvek_kernel.test.Projector Π_Λ is idempotent: Π² = Π",
    "orvek_kernel.test.Deformed tensor product: ε=0 is standard mul",
    "orvek_kernel.test.w_from_distance / s_from_W round-trip",
    "orvek_kernel.test.PGL4 comptime: pglFromHomogeneous rejects singular",
};

CaseResult passes() {
  ORVEK_TRY(expect(true));
  return CaseResult::pass();
}

CaseResult skips() { return CaseResult::skip(); }

CaseResult failsTolerance() {
  ORVEK_TRY(expectApproxEqAbs(0.0, 0.0, 1e-10));
  ORVEK_TRY(expectApproxEqAbs(0.7853981633974483, 0.8, 1e-10));
  ORVEK_TRY(expect(false));  // never reached: a case ends at its first failed check
  return CaseResult::pass();
}

CaseResult leaksOneBlock() {
  void* block = caseAllocator().allocate(16, 8);
  ORVEK_TRY(expect(block != nullptr));
  return CaseResult::pass();
}

namespace {

CaseResult helperCheck() {
  ORVEK_TRY(expect(1 + 1 == 3));
  return CaseResult::pass();
}

}  // namespace

CaseResult failsInHelper() {
  ORVEK_TRY(helperCheck());
  return CaseResult::pass();
}

CaseResult lowersLogThreshold() {
  setLogThreshold(LogLevel::debug);
  return CaseResult::pass();
}

CaseResult logsInfo() {
  logMessage(LogLevel::info, "fake", "chatter that the runner's threshold drops");
  return CaseResult::pass();
}

std::vector<Case> allPassing() {
  std::vector<Case> cases;
  for (const std::string_view name : kNames) cases.push_back(Case{name, &passes});
  return cases;
}

std::vector<Case> withCase(std::size_t position, CaseFn body) {
  std::vector<Case> cases = allPassing();
  cases.at(position - 1).run = body;
  return cases;
}

}  // namespace orvek_verify::fake
