#pragma once

#include "channels/compact_tree.h"
#include "channels/mapped_array.h"

#include <cstdint>
#include <future>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

namespace rz4::channels {

// Finds a channel by what a viewer types: the start of its name, Latin letters in either case,
// or the initials or full pinyin of its Chinese characters ("hnws" and "hunan" find 湖南卫视,
// "cctv5" finds CCTV-5 体育). The names are spelt once per list, in the background.
class ChannelFinder {
public:
    ChannelFinder() = default;
    ~ChannelFinder();
    ChannelFinder(const ChannelFinder&) = delete;
    ChannelFinder& operator=(const ChannelFinder&) = delete;

    // Starts spelling the channels of a tree that endOfList made readable. The tree must not
    // change until stop().
    void index(const CompactTree& tree);
    // Stops spelling and forgets the tree.
    void stop();
    // Waits until the names are spelt.
    void waitForIndex();

    // The first channel from `from` on in tree order, coming round from the top after the last
    // node, whose name matches `typed`. Root starts at the top. Waits for the names to be spelt.
    std::optional<NodeId> find(std::string_view typed, NodeId from);

private:
    // Both spellings of every channel, one after the other, by node.
    struct Spellings {
        MappedArray<std::uint32_t> at; // node n's are keys[at[n] ... at[n + 1])
        MappedArray<std::uint8_t> fullSize;
        MappedArray<char> keys;
    };

    static Spellings spellAll(const CompactTree& tree, const std::stop_token& stop);
    bool matches(NodeId node, std::string_view folded, bool chinese) const;

    const CompactTree* m_tree = nullptr;
    std::stop_source m_stop;
    std::future<Spellings> m_spelling;
    std::optional<Spellings> m_spellings;
};

} // namespace rz4::channels
