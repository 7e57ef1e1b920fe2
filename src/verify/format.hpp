#pragma once
/// Number formatting of the report.

#include <string>

namespace orvek_verify {

/// Shortest round-trip scientific notation with a plain exponent: "6e-1", "1e0",
/// "1.5707963267948966e0", "0e0", "inf", "-inf", "nan".
std::string formatFloat(double value);

/// The same for single precision: the shortest digits that read back as this float.
std::string formatFloat(float value);

}  // namespace orvek_verify
