// The anchors: Eigen 3.4 and glm on the same inputs as orvek's kernel benchmarks. This file
// is built with -ffp-contract=fast so that both libraries get their best code (FMA included).
#include <benchmark/benchmark.h>

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <glm/glm.hpp>
#include <vector>

#include "inputs.hpp"

namespace orvek_bench {
namespace {

// ---- Eigen ----

const std::vector<Eigen::Matrix4d>& eigenMatrices() {
  static const std::vector<Eigen::Matrix4d> pool = [] {
    std::vector<Eigen::Matrix4d> p;
    for (const auto& m : matrixInputs()) p.push_back(Eigen::Map<const Eigen::Matrix4d>(m.data()));
    return p;
  }();
  return pool;
}

const std::vector<Eigen::Vector4d>& eigenVectors() {
  static const std::vector<Eigen::Vector4d> pool = [] {
    std::vector<Eigen::Vector4d> p;
    for (const auto& v : vectorInputs()) p.push_back(Eigen::Vector4d(v[0], v[1], v[2], v[3]));
    return p;
  }();
  return pool;
}

void eigenMul(benchmark::State& state) {
  const auto& m = eigenMatrices();
  std::size_t i = 0;
  for (auto _ : state) {
    Eigen::Matrix4d r = m[i] * m[(i + 1) & kPoolMask];
    benchmark::DoNotOptimize(r);
    i = (i + 1) & kPoolMask;
  }
}

void eigenApply(benchmark::State& state) {
  const auto& m = eigenMatrices();
  const auto& v = eigenVectors();
  std::size_t i = 0;
  for (auto _ : state) {
    Eigen::Vector4d r = m[i] * v[i];
    benchmark::DoNotOptimize(r);
    i = (i + 1) & kPoolMask;
  }
}

void eigenTranspose(benchmark::State& state) {
  const auto& m = eigenMatrices();
  std::size_t i = 0;
  for (auto _ : state) {
    Eigen::Matrix4d r = m[i].transpose();
    benchmark::DoNotOptimize(r);
    i = (i + 1) & kPoolMask;
  }
}

void eigenDet(benchmark::State& state) {
  const auto& m = eigenMatrices();
  std::size_t i = 0;
  for (auto _ : state) {
    double r = m[i].determinant();
    benchmark::DoNotOptimize(r);
    i = (i + 1) & kPoolMask;
  }
}

void eigenNormalizeDet(benchmark::State& state) {
  const auto& m = eigenMatrices();
  std::size_t i = 0;
  for (auto _ : state) {
    const double d = std::fabs(m[i].determinant());
    Eigen::Matrix4d r = d < 1e-15 ? m[i] : Eigen::Matrix4d(m[i] * std::pow(d, -0.25));
    benchmark::DoNotOptimize(r);
    i = (i + 1) & kPoolMask;
  }
}

void eigenInverseOf(benchmark::State& state, const std::array<double, 16>& values) {
  Eigen::Matrix4d m = Eigen::Map<const Eigen::Matrix4d>(values.data());
  for (auto _ : state) {
    benchmark::DoNotOptimize(m);
    Eigen::Matrix4d r = (m + 1e-10 * Eigen::Matrix4d::Identity()).inverse();
    benchmark::DoNotOptimize(r);
  }
}

void eigenInverseDiag(benchmark::State& state) { eigenInverseOf(state, kDiag2341); }
void eigenInverseTranslation(benchmark::State& state) { eigenInverseOf(state, kTranslate123); }

void eigenProjector(benchmark::State& state) {
  const auto& m = eigenMatrices();
  const Eigen::Matrix4d I = Eigen::Matrix4d::Identity();
  std::size_t i = 0;
  for (auto _ : state) {
    const Eigen::Matrix4d& jc = m[i];
    Eigen::Matrix4d r = I - jc.transpose() * (jc * jc.transpose() + 2e-8 * I).inverse() * jc;
    benchmark::DoNotOptimize(r);
    i = (i + 1) & kPoolMask;
  }
}

void eigenNormalize(benchmark::State& state) {
  const auto& v = eigenVectors();
  std::size_t i = 0;
  for (auto _ : state) {
    Eigen::Vector4d r = v[i].normalized();
    benchmark::DoNotOptimize(r);
    i = (i + 1) & kPoolMask;
  }
}

void eigenFsDistance(benchmark::State& state) {
  const auto& v = eigenVectors();
  std::size_t i = 0;
  for (auto _ : state) {
    const Eigen::Vector4d& a = v[i];
    const Eigen::Vector4d& b = v[(i + 1) & kPoolMask];
    double r = std::acos(std::min(std::fabs(a.dot(b)) / (a.norm() * b.norm()), 1.0));
    benchmark::DoNotOptimize(r);
    i = (i + 1) & kPoolMask;
  }
}

// ---- glm ----

const std::vector<glm::dmat4>& glmMatrices() {
  static const std::vector<glm::dmat4> pool = [] {
    std::vector<glm::dmat4> p;
    for (const auto& m : matrixInputs()) {
      glm::dmat4 g;
      for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) g[c][r] = m[static_cast<std::size_t>(c * 4 + r)];
      }
      p.push_back(g);
    }
    return p;
  }();
  return pool;
}

const std::vector<glm::dvec4>& glmVectors() {
  static const std::vector<glm::dvec4> pool = [] {
    std::vector<glm::dvec4> p;
    for (const auto& v : vectorInputs()) p.push_back(glm::dvec4(v[0], v[1], v[2], v[3]));
    return p;
  }();
  return pool;
}

glm::dmat4 glmFromColumns(const std::array<double, 16>& values) {
  glm::dmat4 g;
  for (int c = 0; c < 4; ++c) {
    for (int r = 0; r < 4; ++r) g[c][r] = values[static_cast<std::size_t>(c * 4 + r)];
  }
  return g;
}

void glmMul(benchmark::State& state) {
  const auto& m = glmMatrices();
  std::size_t i = 0;
  for (auto _ : state) {
    glm::dmat4 r = m[i] * m[(i + 1) & kPoolMask];
    benchmark::DoNotOptimize(r);
    i = (i + 1) & kPoolMask;
  }
}

void glmApply(benchmark::State& state) {
  const auto& m = glmMatrices();
  const auto& v = glmVectors();
  std::size_t i = 0;
  for (auto _ : state) {
    glm::dvec4 r = m[i] * v[i];
    benchmark::DoNotOptimize(r);
    i = (i + 1) & kPoolMask;
  }
}

void glmTranspose(benchmark::State& state) {
  const auto& m = glmMatrices();
  std::size_t i = 0;
  for (auto _ : state) {
    glm::dmat4 r = glm::transpose(m[i]);
    benchmark::DoNotOptimize(r);
    i = (i + 1) & kPoolMask;
  }
}

void glmDet(benchmark::State& state) {
  const auto& m = glmMatrices();
  std::size_t i = 0;
  for (auto _ : state) {
    double r = glm::determinant(m[i]);
    benchmark::DoNotOptimize(r);
    i = (i + 1) & kPoolMask;
  }
}

void glmNormalizeDet(benchmark::State& state) {
  const auto& m = glmMatrices();
  std::size_t i = 0;
  for (auto _ : state) {
    const double d = std::fabs(glm::determinant(m[i]));
    glm::dmat4 r = d < 1e-15 ? m[i] : m[i] * std::pow(d, -0.25);
    benchmark::DoNotOptimize(r);
    i = (i + 1) & kPoolMask;
  }
}

void glmInverseOf(benchmark::State& state, const std::array<double, 16>& values) {
  glm::dmat4 m = glmFromColumns(values);
  for (auto _ : state) {
    benchmark::DoNotOptimize(m);
    glm::dmat4 r = glm::inverse(m + 1e-10 * glm::dmat4(1.0));
    benchmark::DoNotOptimize(r);
  }
}

void glmInverseDiag(benchmark::State& state) { glmInverseOf(state, kDiag2341); }
void glmInverseTranslation(benchmark::State& state) { glmInverseOf(state, kTranslate123); }

void glmProjector(benchmark::State& state) {
  const auto& m = glmMatrices();
  const glm::dmat4 I(1.0);
  std::size_t i = 0;
  for (auto _ : state) {
    const glm::dmat4& jc = m[i];
    const glm::dmat4 jct = glm::transpose(jc);
    glm::dmat4 r = I - jct * glm::inverse(jc * jct + 2e-8 * I) * jc;
    benchmark::DoNotOptimize(r);
    i = (i + 1) & kPoolMask;
  }
}

void glmNormalize(benchmark::State& state) {
  const auto& v = glmVectors();
  std::size_t i = 0;
  for (auto _ : state) {
    glm::dvec4 r = glm::normalize(v[i]);
    benchmark::DoNotOptimize(r);
    i = (i + 1) & kPoolMask;
  }
}

void glmFsDistance(benchmark::State& state) {
  const auto& v = glmVectors();
  std::size_t i = 0;
  for (auto _ : state) {
    const glm::dvec4& a = v[i];
    const glm::dvec4& b = v[(i + 1) & kPoolMask];
    double r = std::acos(std::min(std::fabs(glm::dot(a, b)) / (glm::length(a) * glm::length(b)), 1.0));
    benchmark::DoNotOptimize(r);
    i = (i + 1) & kPoolMask;
  }
}

BENCHMARK(eigenMul)->Name("mul/eigen");
BENCHMARK(glmMul)->Name("mul/glm");
BENCHMARK(eigenApply)->Name("apply/eigen");
BENCHMARK(glmApply)->Name("apply/glm");
BENCHMARK(eigenTranspose)->Name("transpose/eigen");
BENCHMARK(glmTranspose)->Name("transpose/glm");
BENCHMARK(eigenDet)->Name("det/eigen");
BENCHMARK(glmDet)->Name("det/glm");
BENCHMARK(eigenNormalizeDet)->Name("normalizeDet/eigen");
BENCHMARK(glmNormalizeDet)->Name("normalizeDet/glm");
BENCHMARK(eigenInverseDiag)->Name("inverseDiag/eigen");
BENCHMARK(glmInverseDiag)->Name("inverseDiag/glm");
BENCHMARK(eigenInverseTranslation)->Name("inverseTranslation/eigen");
BENCHMARK(glmInverseTranslation)->Name("inverseTranslation/glm");
BENCHMARK(eigenProjector)->Name("computeProjector/eigen");
BENCHMARK(glmProjector)->Name("computeProjector/glm");
BENCHMARK(eigenNormalize)->Name("normalize/eigen");
BENCHMARK(glmNormalize)->Name("normalize/glm");
BENCHMARK(eigenFsDistance)->Name("fsDistance/eigen");
BENCHMARK(glmFsDistance)->Name("fsDistance/glm");

}  // namespace
}  // namespace orvek_bench
