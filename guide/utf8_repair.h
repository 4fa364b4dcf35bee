#pragma once

#include <cstddef>
#include <string_view>

namespace rz4::guide {

// Writes "?" over every byte of data that is not part of a valid UTF-8 sequence, so that one bad
// byte costs one character instead of the rest of the document. Returns how many bytes at the
// start are whole sequences; unless final, an unfinished sequence at the end (at most 3 bytes)
// is left for the caller to complete with the bytes that follow.
std::size_t repairUtf8(char* data, std::size_t size, bool final);

// Whether a document that starts so is UTF-8: no UTF-16 byte order mark and no other encoding
// declared.
bool declaresUtf8(std::string_view start);

} // namespace rz4::guide
