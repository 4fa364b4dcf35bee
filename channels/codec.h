#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace rz4::channels {

// The byte's binary text, most significant bit first, always 8 characters.
std::string ByteToBin(std::uint8_t b);
// The first 8 characters of s in reverse order.
std::string Reverse(const std::string& s);
// The byte an 8-character binary text denotes.
std::uint8_t BinToByte(const std::string& s);

// Reverses the bit order of every byte of the file, in place, in one pass. A missing file is
// created empty. Raises a RuntimeError when the file cannot be opened, read or written.
void code(const std::string& fileName);

// What code does to one byte, and to a buffer in memory.
std::uint8_t codeByte(std::uint8_t b);
void codeBytes(std::span<std::uint8_t> bytes);

} // namespace rz4::channels
