#include "verify/source.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orvek_verify {

bool FdSource::nextLine(std::string& line) noexcept {
  line.clear();
  bool have_text = false;
  for (;;) {
    if (begin_ == end_) {
      if (at_end_) return have_text;
      ssize_t n = 0;
      do {
        n = ::read(fd_, buffer_, sizeof buffer_);
      } while (n < 0 && errno == EINTR);
      if (n <= 0) {
        at_end_ = true;
        return have_text;
      }
      begin_ = 0;
      end_ = static_cast<std::size_t>(n);
    }
    const char* start = buffer_ + begin_;
    const auto* newline = static_cast<const char*>(std::memchr(start, '\n', end_ - begin_));
    if (newline != nullptr) {
      line.append(start, newline);
      begin_ += static_cast<std::size_t>(newline - start) + 1;
      return true;
    }
    line.append(start, end_ - begin_);
    have_text = true;
    begin_ = end_;
  }
}

bool StringSource::nextLine(std::string& line) noexcept {
  if (rest_.empty()) return false;
  const std::size_t newline = rest_.find('\n');
  const std::size_t length = newline == std::string_view::npos ? rest_.size() : newline;
  line.assign(rest_.substr(0, length));
  rest_.remove_prefix(newline == std::string_view::npos ? rest_.size() : newline + 1);
  return true;
}

}  // namespace orvek_verify
