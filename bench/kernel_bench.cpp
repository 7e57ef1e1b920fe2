// orvek's kernel operations on the shared inputs. This file keeps the kernel's
// -ffp-contract=off, so orvek's inline functions are measured as users get them.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <vector>

#include "inputs.hpp"
#include "orvek_kernel/fs_metric.hpp"
#include "orvek_kernel/hom_vec4.hpp"
#include "orvek_kernel/operator_algebra.hpp"
#include "orvek_kernel/pgl4.hpp"

namespace orvek_bench {
namespace {

using orvek_kernel::HomVec4;
using orvek_kernel::PGL4;

const std::vector<PGL4>& matrices() {
  static const std::vector<PGL4> pool = [] {
    std::vector<PGL4> p;
    for (const auto& m : matrixInputs()) p.push_back(PGL4::init(m));
    return p;
  }();
  return pool;
}

const std::vector<HomVec4>& vectors() {
  static const std::vector<HomVec4> pool = [] {
    std::vector<HomVec4> p;
    for (const auto& v : vectorInputs()) p.push_back(HomVec4::init(v[0], v[1], v[2], v[3]));
    return p;
  }();
  return pool;
}

void mul(benchmark::State& state) {
  const auto& m = matrices();
  std::size_t i = 0;
  for (auto _ : state) {
    PGL4 r = PGL4::mul(m[i], m[(i + 1) & kPoolMask]);
    benchmark::DoNotOptimize(r);
    i = (i + 1) & kPoolMask;
  }
}

void apply(benchmark::State& state) {
  const auto& m = matrices();
  const auto& v = vectors();
  std::size_t i = 0;
  for (auto _ : state) {
    HomVec4 r = m[i].apply(v[i]);
    benchmark::DoNotOptimize(r);
    i = (i + 1) & kPoolMask;
  }
}

void transpose(benchmark::State& state) {
  const auto& m = matrices();
  std::size_t i = 0;
  for (auto _ : state) {
    PGL4 r = m[i].transpose();
    benchmark::DoNotOptimize(r);
    i = (i + 1) & kPoolMask;
  }
}

void det(benchmark::State& state) {
  const auto& m = matrices();
  std::size_t i = 0;
  for (auto _ : state) {
    double r = m[i].det();
    benchmark::DoNotOptimize(r);
    i = (i + 1) & kPoolMask;
  }
}

void normalizeDet(benchmark::State& state) {
  const auto& m = matrices();
  std::size_t i = 0;
  for (auto _ : state) {
    PGL4 r = m[i].normalizeDet();
    benchmark::DoNotOptimize(r);
    i = (i + 1) & kPoolMask;
  }
}

// The same matrix every time (another one would take another number of passes); it is
// laundered through DoNotOptimize so that nothing of the call is folded.
void inverseOf(benchmark::State& state, const std::array<double, 16>& values) {
  PGL4 m = PGL4::init(values);
  for (auto _ : state) {
    benchmark::DoNotOptimize(m);
    PGL4 r = m.inverse(1e-10, 15);
    benchmark::DoNotOptimize(r);
  }
}

void inverseDiag(benchmark::State& state) { inverseOf(state, kDiag2341); }
void inverseTranslation(benchmark::State& state) { inverseOf(state, kTranslate123); }

void computeProjector(benchmark::State& state) {
  const auto& m = matrices();
  std::size_t i = 0;
  for (auto _ : state) {
    PGL4 r = orvek_kernel::computeProjector(m[i], 1e-8);
    benchmark::DoNotOptimize(r);
    i = (i + 1) & kPoolMask;
  }
}

void normalize(benchmark::State& state) {
  const auto& v = vectors();
  std::size_t i = 0;
  for (auto _ : state) {
    HomVec4 r = v[i].normalize();
    benchmark::DoNotOptimize(r);
    i = (i + 1) & kPoolMask;
  }
}

void fsDistance(benchmark::State& state) {
  const auto& v = vectors();
  std::size_t i = 0;
  for (auto _ : state) {
    double r = orvek_kernel::fsDistance(v[i], v[(i + 1) & kPoolMask]);
    benchmark::DoNotOptimize(r);
    i = (i + 1) & kPoolMask;
  }
}

BENCHMARK(mul)->Name("mul/orvek");
BENCHMARK(apply)->Name("apply/orvek");
BENCHMARK(transpose)->Name("transpose/orvek");
BENCHMARK(det)->Name("det/orvek");
BENCHMARK(normalizeDet)->Name("normalizeDet/orvek");
BENCHMARK(inverseDiag)->Name("inverseDiag/orvek");
BENCHMARK(inverseTranslation)->Name("inverseTranslation/orvek");
BENCHMARK(computeProjector)->Name("computeProjector/orvek");
BENCHMARK(normalize)->Name("normalize/orvek");
BENCHMARK(fsDistance)->Name("fsDistance/orvek");

}  // namespace
}  // namespace orvek_bench
