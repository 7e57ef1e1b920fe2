#pragma once
/// Where the runner's text ends up: a file descriptor, or a string in tests.

#include <cstddef>
#include <string>
#include <string_view>

namespace orvek_verify {

/// A destination for report text; every call writes its text whole or drops what cannot be written.
class Sink {
 public:
  /// Writes `text`; a failing destination (closed pipe, full disk) is not an error of the run.
  virtual void write(std::string_view text) noexcept = 0;

  /// The width of the terminal behind the sink in columns, or 0 when unknown.
  virtual std::size_t columns() const noexcept { return 0; }

 protected:
  Sink() = default;
  Sink(const Sink&) = default;
  Sink& operator=(const Sink&) = default;
  ~Sink() = default;
};

/// A sink on an open file descriptor, written with `write(2)` and no buffering.
class FdSink final : public Sink {
 public:
  /// A sink on `fd`; the descriptor stays owned by the caller.
  explicit FdSink(int fd) noexcept : fd_(fd) {}

  void write(std::string_view text) noexcept override;
  std::size_t columns() const noexcept override;

 private:
  int fd_;
};

/// A sink that collects everything written to it, for tests.
class StringSink final : public Sink {
 public:
  /// A collecting sink that claims a terminal of `columns` columns (0: unknown).
  explicit StringSink(std::size_t columns = 0) noexcept : columns_(columns) {}

  void write(std::string_view text) noexcept override { text_.append(text); }
  std::size_t columns() const noexcept override { return columns_; }

  /// Everything written so far.
  const std::string& text() const noexcept { return text_; }

 private:
  std::size_t columns_;
  std::string text_;
};

/// Writes all of `text` to `fd`, retrying short writes and interruptions; false when the fd refuses.
bool writeAll(int fd, std::string_view text) noexcept;

}  // namespace orvek_verify
