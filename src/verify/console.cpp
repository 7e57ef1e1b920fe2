#include "verify/console.hpp"

#include <unistd.h>

#include <atomic>

namespace orvek_verify {
namespace {

// Carriage return, then erase to the end of the line: removes the progress line in place.
constexpr std::string_view kEraseLine = "\r\x1b[K";

std::atomic<Console*> g_active{nullptr};

Console& standardErrorConsole() noexcept {
  static FdSink sink(STDERR_FILENO);
  static Console console(sink, false);
  return console;
}

}  // namespace

std::string truncateToColumns(std::string_view text, std::size_t columns) {
  std::size_t points = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    // A byte 10xxxxxx continues the code point before it.
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
    if (points == columns) return std::string(text.substr(0, i));
    ++points;
  }
  return std::string(text);
}

Console::Console(Sink& sink, bool terminal, std::size_t total) noexcept
    : sink_(sink), terminal_(terminal), total_(total), active_(terminal) {}

std::string Console::progressLine() const {
  std::string line = "Test [";
  line += std::to_string(done_);
  line += '/';
  line += std::to_string(total_);
  line += ']';
  if (running_open_) {
    line += ' ';
    line += running_;
  }
  // Stay one column short of the edge: a line that reaches it would wrap, and the erase
  // sequence only clears the last screen line.
  const std::size_t columns = sink_.columns();
  if (columns > 0) line = truncateToColumns(line, columns - 1);
  return line;
}

void Console::redrawLocked(std::string& out) {
  if (shown_) {
    out.insert(0, kEraseLine);
    shown_ = false;
  }
  if (active_ && !mid_line_) {
    out += progressLine();
    shown_ = true;
  }
}

void Console::write(std::string_view text) noexcept {
  const std::lock_guard lock(mutex_);
  if (!terminal_) {
    sink_.write(text);
    return;
  }
  std::string out(text);
  if (!text.empty()) mid_line_ = text.back() != '\n';
  const bool was_shown = shown_;
  redrawLocked(out);
  if (was_shown || !text.empty()) sink_.write(out);
}

void Console::beginCase(std::string_view name) noexcept {
  const std::lock_guard lock(mutex_);
  running_.assign(name);
  running_open_ = true;
  if (!active_) return;
  std::string out;
  redrawLocked(out);
  sink_.write(out);
}

void Console::endCase() noexcept {
  const std::lock_guard lock(mutex_);
  running_open_ = false;
  ++done_;
  // The line shows the new count at its next redraw; drawing it now would only flicker.
}

void Console::abandon() noexcept {
  if (!mutex_.try_lock()) return;
  const std::lock_guard lock(mutex_, std::adopt_lock);
  if (!active_) return;
  active_ = false;
  std::string out;
  redrawLocked(out);
  sink_.write(out);
}

void Console::finish() noexcept {
  const std::lock_guard lock(mutex_);
  if (!active_) return;
  active_ = false;
  std::string out;
  redrawLocked(out);
  sink_.write(out);
}

Console& activeConsole() noexcept {
  Console* console = g_active.load(std::memory_order_acquire);
  return console != nullptr ? *console : standardErrorConsole();
}

ScopedConsole::ScopedConsole(Console& console) noexcept
    : previous_(g_active.exchange(&console, std::memory_order_acq_rel)),
      previous_hook_(orvek_kernel::setPanicHook([]() noexcept { activeConsole().abandon(); })) {}

ScopedConsole::~ScopedConsole() {
  orvek_kernel::setPanicHook(previous_hook_);
  g_active.store(previous_, std::memory_order_release);
}

}  // namespace orvek_verify
