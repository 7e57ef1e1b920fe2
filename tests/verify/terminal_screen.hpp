#pragma once
// A minimal terminal for tests: what a person would see after the bytes of a run.
//
// Understands printable UTF-8, "\r", "\n" (as the tty's CR LF), "\x1b[K" (erase to end of line)
// and wraps at the right margin like a real terminal; anything else is noted as unknown.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orvek_verify::testing {

class TerminalScreen {
 public:
  explicit TerminalScreen(std::size_t columns) : columns_(columns), rows_(1) {}

  void feed(std::string_view bytes);

  /// The visible lines, trailing blank lines dropped.
  std::vector<std::string> lines() const;

  /// Control bytes or escape sequences other than the understood ones.
  std::size_t unknownSequences() const { return unknown_; }

 private:
  void put(std::string cell);

  std::size_t columns_;
  std::vector<std::vector<std::string>> rows_;
  std::size_t row_ = 0;
  std::size_t col_ = 0;
  std::size_t unknown_ = 0;
};

}  // namespace orvek_verify::testing
