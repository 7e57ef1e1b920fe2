#pragma once
/// Log messages of the verification program: a level, a scope and a text.
///
/// Error and warning messages are written to the report stream as
/// "[scope] (err): text" and "[scope] (warn): text"; info and debug messages are
/// dropped under the runner's threshold. Every error-level message raises one
/// process-wide count, which the summary and the exit status read.

#include <cstdint>
#include <string_view>

namespace orvek_verify {

/// Severity of a log message, most severe first.
enum class LogLevel : std::uint8_t { error, warning, info, debug };

/// The short level name of the log line: "err", "warn", "info" or "debug".
std::string_view logLevelName(LogLevel level) noexcept;

/// Sets the least severe level that is still written; the runner sets warning before each case.
void setLogThreshold(LogLevel level) noexcept;

/// The least severe level that is still written.
LogLevel logThreshold() noexcept;

/// Logs `text` (without line end) under `scope`; an error-level message also raises the error count.
void logMessage(LogLevel level, std::string_view scope, std::string_view text) noexcept;

/// The number of error-level messages logged by the process, saturated at its largest value.
std::uint64_t loggedErrorCount() noexcept;

/// Sets the logged-error count; a seam for tests (reset to 0, or start near the saturation point).
void setLoggedErrorCount(std::uint64_t count) noexcept;

}  // namespace orvek_verify
