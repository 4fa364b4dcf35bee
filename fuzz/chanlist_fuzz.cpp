// Feeds arbitrary bytes to the list decoder and reader as the client receives them, and to the
// checks and conversions of rz4-chanlist, with the tree's invariants checked after every input.
#include "channels/codec.h"
#include "channels/compact_tree.h"
#include "channels/memory_tree.h"
#include "channels/reader.h"
#include "common/stream_address.h"
#include "tools/check.h"
#include "tools/m3u.h"
#include "tools/tree_json.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <sstream>

using namespace rz4::channels;

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Counts what the reader says it added, to hold against the tree it built.
class AddCounter : public ReadObserver {
public:
    explicit AddCounter(rz4::tools::ListChecker& checker) : m_checker(checker) {}
    void lineRead(const LineRead& line) override { m_checker.lineRead(line); }
    void nodeTried(const NodeTried& node) override {
        added += node.result == AddResult::Added ? 1 : 0;
        m_checker.nodeTried(node);
    }
    std::size_t added = 0;

private:
    rz4::tools::ListChecker& m_checker;
};

void checkTree(const MemoryTree& tree, std::size_t added) {
    const auto nodes = tree.nodes();
    require(nodes.size() == added);
    std::set<std::string> keys;
    for (const MemoryNode* node : nodes) {
        require(node->foreColor() == NodeForeColor && node->backColor() == NodeBackColor);
        const bool channel = !node->key();
        require(channel == node->tag().has_value());
        require(node->image() == (channel ? "jie" : "jia"));
        if (!channel) {
            require(!node->key()->empty() && keys.insert(*node->key()).second);
            require(tree.find(*node->key()) == node);
        }
        // Categories at the top; groups (shown) and channels under keyed nodes. A category line
        // that names a group makes the following groups nest under it, so depth is not bounded.
        const MemoryNode* parent = node->parent();
        require(parent != nullptr || !channel);
        require(parent == nullptr || parent->key().has_value());
        require(channel || parent == nullptr || parent->expanded());
    }
    require(tree.itemHeight() == ItemHeight && tree.backColor() == NodeBackColor);
}

int depth(const MemoryNode* node) {
    int levels = 0;
    for (; node != nullptr; node = node->parent()) {
        ++levels;
    }
    return levels;
}

// The window's compact tree holds what the in-memory tree holds, node for node in tree order.
void checkCompactTree(const MemoryTree& memory, const std::string& bytes) {
    const auto nodes = memory.nodes();
    CompactTree compact;
    if (std::any_of(nodes.begin(), nodes.end(), [](auto* n) { return depth(n) > 255; })) {
        return; // deeper than it keeps
    }
    readTreeFromBytes(bytes, compact);
    const std::set<NodeId> opened(compact.opened().begin(), compact.opened().end());
    NodeId c = CompactTree::Root;
    for (const MemoryNode* node : nodes) {
        c = compact.next(c);
        require(c != CompactTree::Root && compact.text(c) == node->text());
        require(compact.hasTag(c) == node->tag().has_value());
        require(!node->tag() || compact.tag(c) == *node->tag());
        const NodeLook& look = compact.look(c);
        require(look.foreColor == node->foreColor() && look.backColor == node->backColor());
        require(compact.imageKey(look.image) == node->image());
        require((compact.parent(c) == CompactTree::Root) == (node->parent() == nullptr));
        require(opened.contains(c) == node->expanded());
    }
    require(compact.next(c) == CompactTree::Root);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string served = bytes;
    auto span = std::span(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size());
    codeBytes(span);
    std::string again = bytes;
    codeBytes(std::span(reinterpret_cast<std::uint8_t*>(again.data()), again.size()));
    require(again == served);

    MemoryTree tree;
    rz4::tools::ListChecker checker(tree);
    AddCounter counter(checker);
    readTreeFromBytes(bytes, tree, &counter);
    checkTree(tree, counter.added);
    checkCompactTree(tree, bytes);
    for (const auto& warning : checker.warnings()) {
        require(warning.line >= 1);
    }
    std::ostringstream json;
    rz4::tools::writeTreeJson(tree, json);

    // The same bytes as a playlist: every entry is written or left out, and what is written
    // reads back as exactly those channels, each with a network stream the list can carry.
    rz4::tools::M3uOptions options;
    options.lossy = size % 2 == 0;
    options.encodeQuery = size / 2 % 2 == 0;
    options.groupBy = static_cast<rz4::tools::GroupBy>(size / 4 % 3);
    options.maxGroup = size / 12 % 4;
    const auto playlist = rz4::tools::convertM3u(served, options);
    require(playlist.channels + playlist.leftOut == playlist.entries);
    require(playlist.changed <= playlist.channels);
    require(playlist.list.empty() == (playlist.channels == 0));
    MemoryTree built;
    readTreeFromBytes(playlist.list, built);
    int channels = 0;
    int keyed = 0;
    for (const MemoryNode* node : built.nodes()) {
        if (node->key()) {
            ++keyed;
            continue;
        }
        ++channels;
        require(rz4::common::isNetworkStream(*node->tag()));
        require(node->tag()->find_first_of("*]|") == std::string::npos);
    }
    require(channels == playlist.channels);
    require(keyed == (channels > 0 ? 1 + playlist.groups : 0));
    return 0;
}
