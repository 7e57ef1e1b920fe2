#include "terminal_screen.hpp"

namespace orvek_verify::testing {

void TerminalScreen::put(std::string cell) {
  if (col_ == columns_) {  // autowrap
    ++row_;
    col_ = 0;
  }
  if (rows_.size() <= row_) rows_.resize(row_ + 1);
  auto& row = rows_[row_];
  if (row.size() <= col_) row.resize(col_ + 1, " ");
  row[col_++] = std::move(cell);
}

void TerminalScreen::feed(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte == '\r') {
      col_ = 0;
    } else if (byte == '\n') {
      ++row_;
      col_ = 0;
      if (rows_.size() <= row_) rows_.resize(row_ + 1);
    } else if (byte == 0x1b) {
      if (bytes.substr(i, 3) == "\x1b[K") {
        if (rows_[row_].size() > col_) rows_[row_].resize(col_);
        i += 2;
      } else {
        ++unknown_;
      }
    } else if (byte < 0x20 || byte == 0x7f) {
      ++unknown_;
    } else {
      std::size_t len = 1;
      if (byte >= 0xF0)
        len = 4;
      else if (byte >= 0xE0)
        len = 3;
      else if (byte >= 0xC0)
        len = 2;
      put(std::string(bytes.substr(i, len)));
      i += len - 1;
    }
  }
}

std::vector<std::string> TerminalScreen::lines() const {
  std::vector<std::string> out;
  for (const auto& row : rows_) {
    std::string line;
    for (const auto& cell : row) line += cell;
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out.push_back(line);
  }
  while (!out.empty() && out.back().empty()) out.pop_back();
  return out;
}

}  // namespace orvek_verify::testing
