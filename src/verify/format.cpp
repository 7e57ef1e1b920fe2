#include "verify/format.hpp"

#include <charconv>
#include <cmath>
#include <string_view>

namespace orvek_verify {
namespace {

// to_chars writes exponents as "e+00"/"e-05"; the report wants "e0"/"e-5".
std::string plainExponent(std::string_view text) {
  const std::size_t e = text.find('e');
  if (e == std::string_view::npos) return std::string(text);
  std::string out(text.substr(0, e + 1));
  std::size_t i = e + 1;
  if (text[i] == '-') out += '-';
  if (text[i] == '+' || text[i] == '-') ++i;
  while (i + 1 < text.size() && text[i] == '0') ++i;
  out.append(text.substr(i));
  return out;
}

template <typename T>
std::string format(T value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
  return plainExponent(std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)));
}

}  // namespace

std::string formatFloat(double value) { return format(value); }

std::string formatFloat(float value) { return format(value); }

}  // namespace orvek_verify
