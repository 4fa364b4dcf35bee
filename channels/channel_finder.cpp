#include "channels/channel_finder.h"

#include "channels/pinyin.h"

#include <algorithm>

namespace rz4::channels {

namespace {

// Typed text this long already tells any two channels apart.
constexpr std::size_t MaxSpelling = 255;
constexpr NodeId StopCheckInterval = 4096;

} // namespace

ChannelFinder::~ChannelFinder() {
    stop();
}

void ChannelFinder::index(const CompactTree& tree) {
    stop();
    m_tree = &tree;
    m_stop = std::stop_source();
    m_spelling = std::async(std::launch::async, &ChannelFinder::spellAll, std::cref(tree),
                            m_stop.get_token());
}

void ChannelFinder::stop() {
    m_stop.request_stop();
    if (m_spelling.valid()) {
        m_spelling.wait();
    }
    m_spelling = {};
    m_spellings.reset();
    m_tree = nullptr;
}

void ChannelFinder::waitForIndex() {
    if (m_spelling.valid()) {
        m_spellings = m_spelling.get();
    }
}

ChannelFinder::Spellings ChannelFinder::spellAll(const CompactTree& tree,
                                                 const std::stop_token& stop) {
    Spellings spellings;
    const auto count = static_cast<NodeId>(tree.nodeCount());
    PinyinSpeller speller;
    std::string full;
    std::string initials;
    for (NodeId node = 0; node < count; ++node) {
        if (node % StopCheckInterval == 0 && stop.stop_requested()) {
            break;
        }
        // At most three bytes for every byte of the list: 32-bit offsets hold any list.
        spellings.at.push_back(static_cast<std::uint32_t>(spellings.keys.size()));
        full.clear();
        initials.clear();
        if (tree.hasTag(node)) {
            speller.spell(tree.text(node), full, initials);
        }
        full.resize(std::min(full.size(), MaxSpelling));
        initials.resize(std::min(initials.size(), MaxSpelling));
        spellings.fullSize.push_back(static_cast<std::uint8_t>(full.size()));
        spellings.keys.append(full.data(), full.size());
        spellings.keys.append(initials.data(), initials.size());
    }
    spellings.at.push_back(static_cast<std::uint32_t>(spellings.keys.size()));
    return spellings;
}

std::optional<NodeId> ChannelFinder::find(std::string_view typed, NodeId from) {
    waitForIndex();
    if (m_tree == nullptr || !m_spellings) {
        return std::nullopt;
    }
    const std::string folded = foldTyped(typed);
    if (folded.empty()) {
        return std::nullopt;
    }
    const bool chinese = std::any_of(folded.begin(), folded.end(),
                                     [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    const CompactTree& tree = *m_tree;
    const NodeId first = from == CompactTree::Root ? tree.next(CompactTree::Root) : from;
    if (first == CompactTree::Root) {
        return std::nullopt;
    }
    NodeId node = first;
    do {
        if (tree.hasTag(node) && matches(node, folded, chinese)) {
            return node;
        }
        node = tree.next(node);
        if (node == CompactTree::Root) {
            node = tree.next(CompactTree::Root);
        }
    } while (node != first);
    return std::nullopt;
}

bool ChannelFinder::matches(NodeId node, std::string_view folded, bool chinese) const {
    const Spellings& s = *m_spellings;
    const std::string_view both(s.keys.data() + s.at[node], s.at[node + 1] - s.at[node]);
    const std::string_view full = both.substr(0, s.fullSize[node]);
    const std::string_view initials = both.substr(s.fullSize[node]);
    // Chinese characters typed through an input method are compared with the name itself.
    return full.starts_with(folded) || initials.starts_with(folded) ||
           (chinese && nameStartsWith(m_tree->text(node), folded));
}

} // namespace rz4::channels
