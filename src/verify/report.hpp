#pragma once
/// Where report text and log messages go.

#include <string_view>

namespace orvek_verify {

/// Writes `text` whole to the report stream of the current run (standard error outside a run),
/// under the lock of its progress display.
void writeReport(std::string_view text) noexcept;

}  // namespace orvek_verify
