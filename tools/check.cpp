#include "tools/check.h"

#include "channels/list_markers.h"
#include "common/stream_address.h"
#include "tools/tree_json.h"
#include "tools/tvg_id.h"

namespace rz4::tools {

using channels::AddResult;
using channels::NodeKind;

namespace {

const char* kindName(NodeKind kind) {
    switch (kind) {
    case NodeKind::Category:
        return "category";
    case NodeKind::Group:
        return "group";
    case NodeKind::Channel:
        break;
    }
    return "channel";
}

// The node a group or channel hangs from.
const char* parentKindName(NodeKind kind) {
    return kind == NodeKind::Channel ? "group" : "category";
}

} // namespace

void ListChecker::lineRead(const channels::LineRead& line) {
    if (line.invalidBytes > 0) {
        warn(line.number, std::to_string(line.invalidBytes) +
                              " byte(s) not valid in code page 936 or NUL, shown as U+FFFD");
    }
    if (line.text.find('\n') != std::string_view::npos) {
        warn(line.number, "line feed without carriage return: the client reads what follows as "
                          "part of this line");
    }
    std::string markers;
    int count = 0;
    for (const char marker : channels::marker::Read) {
        if (line.text.find(marker) != std::string_view::npos) {
            markers += std::string(count++ == 0 ? "\"" : ", \"") + marker + "\"";
        }
    }
    if (count == 0 && !line.text.empty() && !line.text.starts_with(TvgIdLine)) {
        warn(line.number, "no marker (\"*\", \"]\" or \"|\"): line ignored");
    } else if (count > 1) {
        warn(line.number, "several markers (" + markers + "): each of them makes a node");
    }
}

void ListChecker::nodeTried(const channels::NodeTried& node) {
    const std::string what = std::string(kindName(node.kind)) + " " + jsonString(node.name);
    switch (node.result) {
    case AddResult::Added:
        if (node.kind != NodeKind::Channel) {
            m_keyLines.emplace(std::string(node.name), node.line);
        } else {
            checkAddress(node);
            checkNameInGroup(node);
        }
        break;
    case AddResult::EmptyName:
        warn(node.line, std::string("empty ") + kindName(node.kind) +
                            " name: no node, and what follows has no " + kindName(node.kind));
        break;
    case AddResult::NotCut:
        warn(node.line, "\"]\" as the first character: no group, channels stay in group " +
                            jsonString(node.parentKey));
        break;
    case AddResult::NoParent:
        warn(node.line, what + " not added: no " + parentKindName(node.kind) + " before it");
        break;
    case AddResult::Refused:
        warn(node.line, what + " not added: " + whyRefused(node));
        break;
    }
}

void ListChecker::checkAddress(const channels::NodeTried& node) {
    if (node.name.empty()) {
        warn(node.line, "channel with an empty name");
    }
    const std::string what = "channel " + jsonString(node.name);
    if (node.address.empty()) {
        warn(node.line, what + " has an empty address");
    } else if (!common::isNetworkStream(node.address)) {
        warn(node.line, what + ": address " + jsonString(node.address) +
                            " is not a network stream (http, https, rtmp, rtmps, rtsp, rtp, "
                            "udp, mms, mmsh, srt)");
    }
}

void ListChecker::checkNameInGroup(const channels::NodeTried& node) {
    const auto [it, first] = m_channelLines.try_emplace(
        {std::string(node.parentKey), std::string(node.name)}, node.line);
    if (!first) {
        warn(node.line, "channel " + jsonString(node.name) + " has the name of line " +
                            std::to_string(it->second) + " in group " + jsonString(node.parentKey) +
                            ": viewers cannot tell them apart");
    }
}

std::string ListChecker::whyRefused(const channels::NodeTried& node) const {
    if (node.kind != NodeKind::Channel) {
        if (const auto it = m_keyLines.find(node.name); it != m_keyLines.end()) {
            return "the name is taken by line " + std::to_string(it->second) +
                   ", where what follows goes";
        }
    }
    if (m_tree.find(std::string(node.parentKey)) == nullptr) {
        return std::string(parentKindName(node.kind)) + " " + jsonString(node.parentKey) +
               " has no node";
    }
    return "the tree refused it";
}

} // namespace rz4::tools
