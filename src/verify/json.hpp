#pragma once
/// The little JSON the build-tool mode writes.

#include <string>
#include <string_view>

namespace orvek_verify {

/// `text` as a JSON string literal, quotes included: quote, backslash and control characters
/// escaped, every other byte (UTF-8 included) passed through.
std::string jsonString(std::string_view text);

}  // namespace orvek_verify
