#include "channels/codec.h"

#include "channels/file_io.h"

#include <array>
#include <fcntl.h>
#include <vector>

namespace rz4::channels {

std::string ByteToBin(std::uint8_t b) {
    std::string bits;
    for (unsigned v = b; v != 0; v /= 2) {
        bits.insert(bits.begin(), static_cast<char>('0' + v % 2));
    }
    return ("00000000" + bits).substr(bits.size());
}

std::string Reverse(const std::string& s) {
    std::string reversed;
    for (std::size_t i = 0; i < 8 && i < s.size(); ++i) {
        reversed.insert(reversed.begin(), s[i]);
    }
    return reversed;
}

std::uint8_t BinToByte(const std::string& s) {
    // Anything but "1" counts as a zero bit, so the sum always fits a byte.
    unsigned sum = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        sum = sum * 2 + (i < s.size() && s[i] == '1' ? 1 : 0);
    }
    return static_cast<std::uint8_t>(sum);
}

namespace {

// The helpers define the mapping; the table makes it one lookup per byte.
const std::array<std::uint8_t, 256>& byteTable() {
    static const std::array<std::uint8_t, 256> table = [] {
        std::array<std::uint8_t, 256> t{};
        for (unsigned b = 0; b < t.size(); ++b) {
            t[b] = BinToByte(Reverse(ByteToBin(static_cast<std::uint8_t>(b))));
        }
        return t;
    }();
    return table;
}

} // namespace

std::uint8_t codeByte(std::uint8_t b) {
    return byteTable()[b];
}

void codeBytes(std::span<std::uint8_t> bytes) {
    const auto& table = byteTable();
    for (auto& b : bytes) {
        b = table[b];
    }
}

void code(const std::string& fileName) {
    RawFile file(fileName, O_RDWR | O_CREAT);
    // A window onto the file, converted and written back where it came from: never a second copy.
    std::vector<std::uint8_t> chunk(64 * 1024);
    off_t offset = 0;
    while (const std::size_t n = file.readAt(chunk.data(), chunk.size(), offset)) {
        codeBytes(std::span(chunk.data(), n));
        file.writeAt(chunk.data(), n, offset);
        offset += static_cast<off_t>(n);
    }
    file.close();
}

} // namespace rz4::channels
