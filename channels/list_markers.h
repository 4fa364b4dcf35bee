#pragma once

#include <array>

// The characters that give a line of the channel list its meaning. The reader looks for each on
// every line: a category's name follows "*", a group's name comes before "]" (written "[name]",
// its first character skipped whatever it is), and a channel's address follows "|".
namespace rz4::channels::marker {
inline constexpr char Category = '*';
inline constexpr char GroupOpen = '[';
inline constexpr char GroupClose = ']';
inline constexpr char Address = '|';
// What the reader acts on, in the order it handles them on a line.
inline constexpr std::array<char, 3> Read = {Category, GroupClose, Address};
} // namespace rz4::channels::marker
