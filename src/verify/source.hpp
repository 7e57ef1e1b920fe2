#pragma once
/// Where request lines come from: a file descriptor, or a string in tests.

#include <cstddef>
#include <string>
#include <string_view>

namespace orvek_verify {

/// A source of text lines, read one after the other.
class Source {
 public:
  /// The next line, without its '\n', into `line`; false at the end of the input. A last line
  /// that lacks its '\n' is still a line; nothing after the last '\n' is none.
  virtual bool nextLine(std::string& line) noexcept = 0;

 protected:
  Source() = default;
  Source(const Source&) = default;
  Source& operator=(const Source&) = default;
  ~Source() = default;
};

/// A source on an open file descriptor, read with `read(2)`; a read error ends the input.
///
/// Not std::cin nor any std::istream: those bring the locale machinery into the program, and
/// with it a good part of its start-up time.
class FdSource final : public Source {
 public:
  /// A source on `fd`; the descriptor stays owned by the caller.
  explicit FdSource(int fd) noexcept : fd_(fd) {}

  bool nextLine(std::string& line) noexcept override;

 private:
  int fd_;
  char buffer_[4096];
  std::size_t begin_ = 0;  ///< first unread byte of `buffer_`
  std::size_t end_ = 0;    ///< one past the last byte read into `buffer_`
  bool at_end_ = false;
};

/// A source over a string, for tests.
class StringSource final : public Source {
 public:
  /// A source that yields the lines of `text`, which must outlive it.
  explicit StringSource(std::string_view text) noexcept : rest_(text) {}

  bool nextLine(std::string& line) noexcept override;

 private:
  std::string_view rest_;
};

}  // namespace orvek_verify
