#include "verify/log.hpp"

#include <atomic>
#include <limits>
#include <string>

#include "verify/report.hpp"

namespace orvek_verify {
namespace {

std::atomic<LogLevel> g_threshold{LogLevel::warning};
std::atomic<std::uint64_t> g_error_count{0};

void countError() noexcept {
  // Saturating increment: the count never wraps back to zero, which would read as a clean run.
  std::uint64_t current = g_error_count.load(std::memory_order_relaxed);
  while (current != std::numeric_limits<std::uint64_t>::max() &&
         !g_error_count.compare_exchange_weak(current, current + 1, std::memory_order_relaxed)) {
  }
}

}  // namespace

std::string_view logLevelName(LogLevel level) noexcept {
  switch (level) {
    case LogLevel::error: return "err";
    case LogLevel::warning: return "warn";
    case LogLevel::info: return "info";
    case LogLevel::debug: return "debug";
  }
  return "err";
}

void setLogThreshold(LogLevel level) noexcept { g_threshold.store(level, std::memory_order_relaxed); }

LogLevel logThreshold() noexcept { return g_threshold.load(std::memory_order_relaxed); }

void logMessage(LogLevel level, std::string_view scope, std::string_view text) noexcept {
  if (level == LogLevel::error) countError();
  // Lower enumerators are more severe.
  if (static_cast<std::uint8_t>(level) > static_cast<std::uint8_t>(logThreshold())) return;
  std::string line;
  line.reserve(scope.size() + text.size() + 16);
  line += '[';
  line += scope;
  line += "] (";
  line += logLevelName(level);
  line += "): ";
  line += text;
  line += '\n';
  writeReport(line);
}

std::uint64_t loggedErrorCount() noexcept { return g_error_count.load(std::memory_order_relaxed); }

void setLoggedErrorCount(std::uint64_t count) noexcept { g_error_count.store(count, std::memory_order_relaxed); }

}  // namespace orvek_verify
