#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace cli {

// Text from the command line or standard input as a message shows it: in
// quotes, cut after kShownLength characters with "…", and escaped.
inline constexpr std::size_t kShownLength = 40;
std::string inQuotes(std::string_view text);
std::string cut(std::string_view text);

// text with every byte a terminal cannot show as it is written \xNN: control
// characters and bytes that are not UTF-8.
std::string escaped(std::string_view text);

} // namespace cli
