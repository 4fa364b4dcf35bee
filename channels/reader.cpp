#include "channels/reader.h"

#include "channels/cp936.h"
#include "channels/file_io.h"
#include "channels/list_markers.h"

#include <algorithm>
#include <optional>

namespace rz4::channels {

namespace {

// Top-level nodes are added without a relative, so no relationship applies.
constexpr int NoRelationship = 0;

class TreeBuilder {
public:
    TreeBuilder(ChannelTree& tree, ReadObserver* observer) : m_tree(tree), m_observer(observer) {}

    // Lines end at CR or CR LF; a lone LF stays part of the line.
    void readLines(std::string_view bytes) {
        std::size_t pos = 0;
        while (pos < bytes.size()) {
            const std::size_t cr = bytes.find('\r', pos);
            const std::size_t end = cr == std::string_view::npos ? bytes.size() : cr;
            readLine(bytes.substr(pos, end - pos));
            pos = end + 1;
            if (pos < bytes.size() && bytes[pos] == '\n') {
                ++pos;
            }
        }
    }

private:
    void readLine(std::string_view raw) {
        ++m_lineNumber;
        m_text.clear();
        std::size_t invalid = 0;
        // Most lines of a list are channel lines in plain ASCII: no conversion needed.
        if (std::all_of(raw.begin(), raw.end(),
                        [](char c) { return c != '\0' && static_cast<unsigned char>(c) < 0x80; })) {
            m_text.assign(raw);
        } else {
            invalid = m_decoder.decode(raw, m_text);
        }
        const std::string_view text = m_text;
        if (m_observer != nullptr) {
            m_observer->lineRead({m_lineNumber, text, invalid});
        }

        // All three are found before any node is added; each is then handled on its own.
        const std::size_t star = text.find(marker::Category);
        const std::size_t bracket = text.find(marker::GroupClose);
        const std::size_t bar = text.find(marker::Address);

        if (star != std::string_view::npos) {
            m_category = text.substr(star + 1);
            if (ChannelNode* node = add(NodeKind::Category, std::nullopt, m_category)) {
                paint(*node, "jia");
            }
        }
        if (bracket == 0) {
            report(NodeKind::Group, {}, m_category, {}, AddResult::NotCut);
        } else if (bracket != std::string_view::npos) {
            // The first character is skipped whatever it is; it may be several bytes long.
            const std::size_t first =
                std::min(bracket, utf8SequenceLength(static_cast<unsigned char>(text[0])));
            m_group = text.substr(first, bracket - first);
            if (ChannelNode* node = add(NodeKind::Group, std::string_view(m_category), m_group)) {
                node->EnsureVisible();
                paint(*node, "jia");
            }
        }
        if (bar != std::string_view::npos) {
            const std::string_view address = text.substr(bar + 1);
            if (ChannelNode* node = add(NodeKind::Channel, std::string_view(m_group),
                                        text.substr(0, bar), address)) {
                node->setTag(address);
                paint(*node, "jie");
            }
        }
    }

    ChannelNode* add(NodeKind kind, std::optional<std::string_view> parentKey,
                     std::string_view name, std::string_view address = {}) {
        const bool keyed = kind != NodeKind::Channel;
        ChannelNode* node = nullptr;
        AddResult result = AddResult::Refused;
        if (keyed && name.empty()) {
            result = AddResult::EmptyName;
        } else if (parentKey && parentKey->empty()) {
            // No node ever has an empty key, so there is nothing to ask the tree.
            result = AddResult::NoParent;
        } else {
            node = m_tree.add(parentKey, parentKey ? RelationshipChild : NoRelationship,
                              keyed ? std::optional(name) : std::nullopt, name);
            result = node != nullptr ? AddResult::Added : AddResult::Refused;
        }
        report(kind, name, parentKey.value_or(std::string_view()), address, result);
        return node;
    }

    void report(NodeKind kind, std::string_view name, std::string_view parentKey,
                std::string_view address, AddResult result) {
        if (m_observer != nullptr) {
            m_observer->nodeTried({m_lineNumber, kind, name, parentKey, address, result});
        }
    }

    static void paint(ChannelNode& node, std::string_view image) {
        node.setForeColor(NodeForeColor);
        node.setBackColor(NodeBackColor);
        node.setImage(image);
    }

    ChannelTree& m_tree;
    ReadObserver* m_observer;
    Cp936Decoder m_decoder;
    int m_lineNumber = 0;
    std::string m_text;
    std::string m_category;
    std::string m_group;
};

void fill(ChannelTree& tree, ReadObserver* observer, std::string_view bytes) {
    TreeBuilder(tree, observer).readLines(bytes);
    tree.setItemHeight(ItemHeight);
    tree.setBackColor(NodeBackColor);
    tree.endOfList();
}

void readFile(const std::string& fileName, ChannelTree& tree, ReadObserver* observer) {
    tree.clear();
    tree.attachImageList();
    const MappedFile file(fileName);
    fill(tree, observer, file.bytes());
}

} // namespace

void readtree(const std::string& fileName, ChannelTree& tree) {
    readFile(fileName, tree, nullptr);
}

void readtree(const std::string& fileName, ChannelTree& tree, ReadObserver& observer) {
    readFile(fileName, tree, &observer);
}

void readTreeFromBytes(std::string_view bytes, ChannelTree& tree, ReadObserver* observer) {
    tree.clear();
    tree.attachImageList();
    fill(tree, observer, bytes);
}

} // namespace rz4::channels
