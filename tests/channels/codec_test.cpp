#include "channels/codec.h"

#include "common/runtime_error.h"
#include "tests/channels/scratch_dir.h"

#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace rz4::channels;
using rz4::common::RuntimeError;
using rz4::testing::readFile;
using rz4::testing::ScratchDir;
using rz4::testing::writeFile;

namespace {

std::uint8_t mirrored(std::uint8_t b) {
    std::uint8_t r = 0;
    for (int i = 0; i < 8; ++i) {
        r = static_cast<std::uint8_t>(r | (((b >> i) & 1) << (7 - i)));
    }
    return r;
}

std::string pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    }
    return bytes;
}

int errorNumber(const std::function<void()>& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        EXPECT_FALSE(e.description().empty());
        return e.number();
    }
    return 0;
}

} // namespace

TEST(CodecHelpers, WorkOnTheWrittenOutBinaryForm) {
    EXPECT_EQ(ByteToBin(0), "00000000");
    EXPECT_EQ(ByteToBin(6), "00000110");
    EXPECT_EQ(ByteToBin(255), "11111111");
    EXPECT_EQ(Reverse("00000110"), "01100000");
    EXPECT_EQ(Reverse("abc"), "cba");
    EXPECT_EQ(Reverse("123456789"), "87654321");
    EXPECT_EQ(BinToByte("01100000"), 96);
    EXPECT_EQ(BinToByte("11111111"), 255);
}

TEST(CodecHelpers, EveryByteRoundTripsThroughItsBinaryText) {
    for (unsigned b = 0; b < 256; ++b) {
        EXPECT_EQ(BinToByte(ByteToBin(static_cast<std::uint8_t>(b))), b);
    }
}

TEST(CodecTable, MirrorsTheBitsOfEveryByteAsTheHelpersDo) {
    const std::pair<int, int> known[] = {{0x00, 0x00}, {0xFF, 0xFF}, {0x01, 0x80},
                                         {0x0F, 0xF0}, {0x12, 0x48}, {0x41, 0x82}};
    for (auto [from, to] : known) {
        EXPECT_EQ(codeByte(static_cast<std::uint8_t>(from)), to) << from;
    }
    for (unsigned v = 0; v < 256; ++v) {
        const auto b = static_cast<std::uint8_t>(v);
        EXPECT_EQ(codeByte(b), mirrored(b)) << v;
        EXPECT_EQ(codeByte(b), BinToByte(Reverse(ByteToBin(b)))) << v;
        EXPECT_EQ(codeByte(codeByte(b)), b) << v;
    }
}

// 32,767 and 32,768 sit on the old 16-bit limit; 65,537 and 100,000 cross the conversion window.
TEST(CodeFile, ConvertsFilesOfAnyLengthInPlaceAndTwiceRestoresThem) {
    ScratchDir dir;
    const std::string name = dir.file("baby1.mdb");
    for (std::size_t size : {0u, 1u, 32767u, 32768u, 65537u, 100000u}) {
        const std::string original = pattern(size);
        writeFile(name, original);
        code(name);
        const std::string once = readFile(name);
        ASSERT_EQ(once.size(), size);
        for (std::size_t i = 0; i < size; ++i) {
            ASSERT_EQ(static_cast<std::uint8_t>(once[i]),
                      mirrored(static_cast<std::uint8_t>(original[i])))
                << "size " << size << " at " << i;
        }
        code(name);
        EXPECT_EQ(readFile(name), original) << size;
    }
}

TEST(CodeFile, CreatesAMissingFileEmpty) {
    ScratchDir dir;
    const std::string name = dir.file("baby1.mdb");
    code(name);
    ASSERT_TRUE(std::filesystem::exists(name));
    EXPECT_EQ(std::filesystem::file_size(name), 0u);
}

TEST(CodeFile, RaisesWhenTheFileCannotBeOpened) {
    ScratchDir dir;
    EXPECT_EQ(errorNumber([&] { code(dir.path().string()); }), rz4::common::err::PathFileAccess);
    EXPECT_EQ(errorNumber([&] { code(dir.file("missing/baby1.mdb")); }),
              rz4::common::err::FileNotFound);
}

TEST(CodeFile, RaisesWhenAWriteFailsHalfWay) {
    ScratchDir dir;
    const std::string name = dir.file("baby1.mdb");
    writeFile(name, pattern(100000));
    // A file-size limit below the file's length makes the writes beyond it fail.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limited = saved;
    limited.rlim_cur = 40000;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const int number = errorNumber([&] { code(name); });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(number, rz4::common::err::PathFileAccess);
}

TEST(CodeBytes, ConvertsABufferLikeAFile) {
    std::string bytes = pattern(1000);
    const std::string original = bytes;
    codeBytes(std::span(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size()));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        ASSERT_EQ(static_cast<std::uint8_t>(bytes[i]),
                  mirrored(static_cast<std::uint8_t>(original[i])));
    }
}
