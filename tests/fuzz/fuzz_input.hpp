#pragma once
// Turns the fuzzer's bytes into values for the fuzz targets, and the one way they report a
// broken property.
//
// A double is taken in one of four forms chosen by a tag byte, so that short inputs reach
// the interesting values: the raw 8 bytes (any pattern, NaNs and subnormals included), a
// small integer, an entry of a table of edge values, or a small dyadic fraction. Bytes past
// the end read as zero, so every input decodes to something.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "orvek_kernel/hom_vec4.hpp"
#include "orvek_kernel/pgl4.hpp"

namespace orvek_fuzz {

// Prints which property broke and aborts, which the fuzzer records as a crash.
[[noreturn]] inline void violated(const char* property) {
  std::fprintf(stderr, "property violated: %s\n", property);
  std::abort();
}

inline void require(bool holds, const char* property) {
  if (!holds) violated(property);
}

inline std::uint64_t bitsOf(double d) { return std::bit_cast<std::uint64_t>(d); }
inline std::uint32_t bitsOf(float f) { return std::bit_cast<std::uint32_t>(f); }
inline bool sameBits(double a, double b) { return bitsOf(a) == bitsOf(b); }
inline bool isNaN(double d) { return d != d; }

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint8_t u8() { return pos_ < size_ ? data_[pos_++] : 0; }

  std::uint32_t u32() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(u8()) << (8 * i);
    return v;
  }

  std::uint64_t u64() {
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= static_cast<std::uint64_t>(u8()) << (8 * i);
    return v;
  }

  double f64() {
    switch (u8() % 4) {
      case 0: return std::bit_cast<double>(u64());
      case 1: return static_cast<double>(static_cast<std::int8_t>(u8()));
      case 2: return kEdges[u8() % kEdgeCount];
      default: {
        // A 16-bit signed numerator over 2^k, k in 0..63.
        const std::uint8_t low = u8();  // two statements: the order of evaluating operands is unspecified
        const std::uint8_t high = u8();
        const auto numerator = static_cast<std::int16_t>(static_cast<std::uint16_t>(low | (high << 8)));
        const int k = u8() % 64;
        return static_cast<double>(numerator) / static_cast<double>(std::uint64_t{1} << k);
      }
    }
  }

  float f32() {
    switch (u8() % 3) {
      case 0: return std::bit_cast<float>(u32());
      case 1: return static_cast<float>(static_cast<std::int8_t>(u8()));
      default: return kFloatEdges[u8() % kFloatEdgeCount];
    }
  }

  orvek_kernel::HomVec4 vec() {
    const double x = f64();
    const double y = f64();
    const double z = f64();
    const double w = f64();
    return orvek_kernel::HomVec4::init(x, y, z, w);
  }

  orvek_kernel::PGL4 mat() {
    orvek_kernel::PGL4 m{};
    for (double& d : m.data) d = f64();
    return m;
  }

  bool exhausted() const { return pos_ >= size_; }

 private:
  static constexpr double kInf = std::numeric_limits<double>::infinity();
  static constexpr double kEdges[] = {
      0.0,
      -0.0,
      1.0,
      -1.0,
      0.5,
      2.0,
      1e-15,
      1.0000000000000002e-15,
      9.999999999999999e-16,
      1e-6,
      9.9e-7,
      1e-8,
      std::numeric_limits<double>::denorm_min(),
      std::numeric_limits<double>::min(),
      std::numeric_limits<double>::max(),
      -std::numeric_limits<double>::max(),
      1e154,
      1e-154,
      1e300,
      1e-300,
      kInf,
      -kInf,
      std::numeric_limits<double>::quiet_NaN(),
      -std::numeric_limits<double>::quiet_NaN(),
      3.141592653589793,
      1.5707963267948966,
      5838400.0,
      1.0000000000000002,
      0.9999999999999999,
  };
  static constexpr std::size_t kEdgeCount = sizeof kEdges / sizeof kEdges[0];
  static constexpr float kFloatInf = std::numeric_limits<float>::infinity();
  static constexpr float kFloatEdges[] = {
      0.0f,
      -0.0f,
      1.0f,
      -1.0f,
      0.6f,
      0.8f,
      1e-8f,
      3.2e-8f,
      1.0000000036274937e-15f,
      std::numeric_limits<float>::denorm_min(),
      std::numeric_limits<float>::min(),
      std::numeric_limits<float>::max(),
      1e20f,
      kFloatInf,
      -kFloatInf,
      std::numeric_limits<float>::quiet_NaN(),
  };
  static constexpr std::size_t kFloatEdgeCount = sizeof kFloatEdges / sizeof kFloatEdges[0];

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

}  // namespace orvek_fuzz
