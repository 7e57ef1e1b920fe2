#include "inputs.hpp"

#include <random>

namespace orvek_bench {
namespace {

std::mt19937_64& generator() {
  static std::mt19937_64 g(20240917);
  return g;
}

double uniform() { return std::uniform_real_distribution<double>(-1.0, 1.0)(generator()); }

}  // namespace

const std::vector<std::array<double, 16>>& matrixInputs() {
  static const std::vector<std::array<double, 16>> pool = [] {
    std::vector<std::array<double, 16>> p(kPool);
    for (auto& m : p) {
      for (double& x : m) x = uniform();
    }
    return p;
  }();
  return pool;
}

const std::vector<std::array<double, 4>>& vectorInputs() {
  static const std::vector<std::array<double, 4>> pool = [] {
    std::vector<std::array<double, 4>> p(kPool);
    for (auto& v : p) {
      for (double& x : v) x = uniform();
    }
    return p;
  }();
  return pool;
}

}  // namespace orvek_bench
