#pragma once

#include "channels/memory_tree.h"
#include "channels/reader.h"

#include <map>
#include <string>
#include <vector>

namespace rz4::tools {

struct Warning {
    int line;
    std::string message;
};

// Follows the reader through a list and notes, line by line, what will surprise the people who
// watch it: ignored lines, names that get no node, odd addresses, bytes that are not GBK.
class ListChecker : public channels::ReadObserver {
public:
    explicit ListChecker(const channels::MemoryTree& tree) : m_tree(tree) {}

    void lineRead(const channels::LineRead& line) override;
    void nodeTried(const channels::NodeTried& node) override;

    const std::vector<Warning>& warnings() const { return m_warnings; }

private:
    void warn(int line, std::string message) { m_warnings.push_back({line, std::move(message)}); }
    void checkAddress(const channels::NodeTried& node);
    void checkNameInGroup(const channels::NodeTried& node);
    std::string whyRefused(const channels::NodeTried& node) const;

    const channels::MemoryTree& m_tree;
    std::vector<Warning> m_warnings;
    std::map<std::string, int, std::less<>> m_keyLines; // where each key was first added
    // Where each channel name was first added, by group key and name: viewers cannot tell
    // two channels of one group with one name apart.
    std::map<std::pair<std::string, std::string>, int> m_channelLines;
};

} // namespace rz4::tools
