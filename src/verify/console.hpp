#pragma once
/// The run's output: report text and log messages under one lock with the progress display.

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>

#include "orvek_kernel/panic.hpp"
#include "verify/sink.hpp"

namespace orvek_verify {

/// The report stream of a run: writes text whole and, on a terminal, keeps a live progress line.
///
/// On a terminal the progress line ("Test [done/total] running case") sits on the last line
/// of the screen. Every write erases it, writes its text and draws it again below, all in one
/// write under the lock, so report lines and log messages never interleave with the display.
class Console {
 public:
  /// A console on `sink`; `terminal` selects the progress display, `total` is what it counts towards.
  Console(Sink& sink, bool terminal, std::size_t total = 0) noexcept;
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  /// Whether this console draws a progress display (standard error is a terminal).
  bool terminal() const noexcept { return terminal_; }

  /// Writes `text` whole, under the display lock.
  void write(std::string_view text) noexcept;

  /// Opens the progress entry of the running case `name`.
  void beginCase(std::string_view name) noexcept;

  /// Closes the progress entry of the running case and counts it as run.
  void endCase() noexcept;

  /// Erases the progress display for good; later writes are plain text.
  void finish() noexcept;

  /// `finish` for a process about to die: does nothing if the lock is held, rather than wait.
  void abandon() noexcept;

 private:
  std::string progressLine() const;
  void redrawLocked(std::string& out);

  Sink& sink_;
  const bool terminal_;
  const std::size_t total_;
  std::mutex mutex_;
  std::size_t done_ = 0;
  std::string running_;
  bool running_open_ = false;
  bool active_;            // the display is live (terminal and not finished)
  bool shown_ = false;     // the progress line is on the screen now
  bool mid_line_ = false;  // the last text left the cursor in the middle of a line
};

/// The console that `writeReport` and the log write to: the innermost `ScopedConsole`, else standard error.
Console& activeConsole() noexcept;

/// Makes a console the active one for its lifetime, restoring the previous one afterwards.
///
/// While it is active, a panic first erases its progress display, so the panic line stands alone.
class ScopedConsole {
 public:
  /// Activates `console` until this object is destroyed.
  explicit ScopedConsole(Console& console) noexcept;
  ~ScopedConsole();
  ScopedConsole(const ScopedConsole&) = delete;
  ScopedConsole& operator=(const ScopedConsole&) = delete;

 private:
  Console* previous_;
  orvek_kernel::PanicHook previous_hook_;
};

/// `text` cut to at most `columns` code points (UTF-8 aware; every code point counts as one column).
std::string truncateToColumns(std::string_view text, std::size_t columns);

}  // namespace orvek_verify
