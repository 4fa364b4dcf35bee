// How long the client spends turning a downloaded list of 50,000 channels into its tree: decoding
// the file in place and reading it, each against a plain byte copy of the same file.
#include "channels/codec.h"
#include "channels/cp936.h"
#include "channels/file_io.h"
#include "channels/memory_tree.h"
#include "channels/reader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace rz4::channels;

namespace {

constexpr int Categories = 10;
constexpr int GroupsPerCategory = 20;
constexpr int ChannelsPerGroup = 250;
constexpr int Channels = Categories * GroupsPerCategory * ChannelsPerGroup;
constexpr int Rounds = 7;

// A list shaped like a real one: Chinese names, HLS addresses, CR LF line ends.
std::string servedList() {
    std::string text;
    for (int c = 0; c < Categories; ++c) {
        text += "*地方频道" + std::to_string(c) + "\r\n";
        for (int g = 0; g < GroupsPerCategory; ++g) {
            text += "[省份" + std::to_string(c) + "-" + std::to_string(g) + "]\r\n";
            for (int ch = 0; ch < ChannelsPerGroup; ++ch) {
                text += "综合频道 " + std::to_string(ch) + " 高清|http://127.0.0.1:18090/live/" +
                        std::to_string(c) + "/" + std::to_string(g) + "/" + std::to_string(ch) +
                        "/index.m3u8\r\n";
            }
        }
    }
    std::string bytes;
    Cp936Encoder().encode(text, bytes);
    codeBytes(std::span(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size()));
    return bytes;
}

void writeAll(const std::string& name, const std::string& bytes) {
    RawFile file(name, O_WRONLY | O_CREAT | O_TRUNC);
    file.writeAt(bytes.data(), bytes.size(), 0);
    file.close();
}

// The baseline: the same bytes read and written once, as code does, but to another file.
void copyFile(const std::string& from, const std::string& to) {
    RawFile in(from, O_RDONLY);
    RawFile out(to, O_WRONLY | O_CREAT | O_TRUNC);
    std::vector<char> chunk(64 * 1024);
    off_t offset = 0;
    while (const std::size_t n = in.readAt(chunk.data(), chunk.size(), offset)) {
        out.writeAt(chunk.data(), n, offset);
        offset += static_cast<off_t>(n);
    }
    out.close();
}

double seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main() {
    std::string folder = (std::filesystem::temp_directory_path() / "rz4-bench-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string list = folder + "/baby1.mdb";
    const std::string copy = folder + "/copy.mdb";
    const std::string served = servedList();

    std::vector<double> copyTimes;
    std::vector<double> decodeTimes;
    std::vector<double> readTimes;
    std::size_t nodes = 0;
    for (int round = 0; round < Rounds; ++round) {
        writeAll(list, served);
        copyTimes.push_back(seconds([&] { copyFile(list, copy); }));
        decodeTimes.push_back(seconds([&] { code(list); }));
        MemoryTree tree;
        readTimes.push_back(seconds([&] { readtree(list, tree); }));
        nodes = tree.nodes().size();
    }
    std::filesystem::remove_all(folder);

    const double copyTime = median(copyTimes);
    const double decodeTime = median(decodeTimes);
    const double readTime = median(readTimes);
    std::printf("channel list: %d channels, %zu nodes, %zu bytes; median of %d rounds\n", Channels,
                nodes, served.size(), Rounds);
    const auto row = [&](const char* what, double t) {
        std::printf("  %-22s %9.3f ms  %7.3f us/channel  %6.2f x copy\n", what, t * 1e3,
                    t * 1e6 / Channels, t / copyTime);
    };
    row("byte copy (baseline)", copyTime);
    row("decode (code)", decodeTime);
    row("read (readtree)", readTime);
    row("decode + read", decodeTime + readTime);
    return nodes == static_cast<std::size_t>(Channels + Categories * (GroupsPerCategory + 1)) ? 0
                                                                                              : 1;
}
