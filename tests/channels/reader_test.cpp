#include "channels/reader.h"

#include "channels/cp936.h"
#include "channels/memory_tree.h"
#include "common/runtime_error.h"
#include "tests/channels/scratch_dir.h"

#include <gtest/gtest.h>

using namespace rz4::channels;
using rz4::testing::ScratchDir;
using rz4::testing::writeFile;
using namespace std::string_view_literals;

namespace {

std::string gbk(const std::string& utf8) {
    std::string out;
    Cp936Encoder().encode(utf8, out);
    return out;
}

// One line per node, indented by depth; channels show their address.
std::vector<std::string> outline(const MemoryTree& tree) {
    std::vector<std::string> lines;
    for (const MemoryNode* node : tree.nodes()) {
        std::string indent;
        for (const MemoryNode* p = node->parent(); p != nullptr; p = p->parent()) {
            indent += "  ";
        }
        lines.push_back(indent + node->text() + (node->tag() ? " = " + *node->tag() : ""));
    }
    return lines;
}

MemoryTree read(const std::string& utf8) {
    MemoryTree tree;
    readTreeFromBytes(gbk(utf8), tree);
    return tree;
}

using Outline = std::vector<std::string>;

} // namespace

TEST(Reader, BuildsCategoriesGroupsAndChannelsWithTheirLook) {
    MemoryTree tree;
    // 央视 and 新闻 as the server writes them, in GBK bytes.
    readTreeFromBytes("*\xD1\xEB\xCA\xD3\r\n[\xD0\xC2\xCE\xC5]\r\nA|http://a/1\r\nB|http://b/2",
                      tree);
    EXPECT_EQ(outline(tree),
              (Outline{"央视", "  新闻", "    A = http://a/1", "    B = http://b/2"}));

    const MemoryNode* category = tree.find("央视");
    const MemoryNode* group = tree.find("新闻");
    ASSERT_TRUE(category && group);
    EXPECT_TRUE(category->expanded());
    EXPECT_TRUE(group->visible());
    EXPECT_FALSE(group->expanded());
    EXPECT_FALSE(category->tag());
    EXPECT_FALSE(group->tag());
    EXPECT_EQ(group->parent(), category);
    for (const MemoryNode* node : tree.nodes()) {
        EXPECT_EQ(node->foreColor(), 0x00FFFFFFu);
        EXPECT_EQ(node->backColor(), 0x00563636u);
        EXPECT_EQ(node->image(), node->tag() ? "jie" : "jia");
        EXPECT_FALSE(node->tag() && node->key()) << "channels have no key";
    }
    EXPECT_TRUE(tree.imageListAttached());
    EXPECT_EQ(tree.itemHeight(), 19);
    EXPECT_EQ(tree.backColor(), 0x00563636u);
}

TEST(Reader, EmptyInputStillSetsItemHeightAndBackground) {
    for (const char* text : {"", "no markers here\r\n", "\r\n\r\n"}) {
        MemoryTree tree;
        tree.add(std::nullopt, 0, "old", "old");
        readTreeFromBytes(text, tree);
        EXPECT_TRUE(tree.nodes().empty()) << text;
        EXPECT_EQ(tree.itemHeight(), 19);
        EXPECT_EQ(tree.backColor(), 0x00563636u);
    }
    // An empty file, as code leaves a missing one: nothing to map, still a list.
    ScratchDir dir;
    writeFile(dir.file("baby1.mdb"), "");
    MemoryTree tree;
    readtree(dir.file("baby1.mdb"), tree);
    EXPECT_EQ(tree.itemHeight(), 19);
}

TEST(Reader, EndsLinesAtCarriageReturnsOnly) {
    EXPECT_EQ(outline(read("*c\r[g]\rx|u1\r\ny|u2")),
              (Outline{"c", "  g", "    x = u1", "    y = u2"}));
    // A lone line feed stays in the line: the whole file is one line with all three markers.
    EXPECT_EQ(outline(read("*c\n[g]\nx|u")),
              (Outline{"c\n[g]\nx|u", "  c\n[g", "    *c\n[g]\nx = u"}));
    EXPECT_EQ(outline(read("*c\r\n[g]\r\n\r\nx|u\r\n\r\n")), (Outline{"c", "  g", "    x = u"}));
}

TEST(Reader, HandlesEachMarkerOfALineInTheOrderStarBracketBar) {
    // The text before "*" is ignored.
    EXPECT_EQ(outline(read("abc*名")), (Outline{"名"}));
    // A bracketed channel name also opens a group, and the channel goes under it.
    EXPECT_EQ(outline(read("*c\r[g]\r[HD]台|u")), (Outline{"c", "  g", "  HD", "    [HD]台 = u"}));
    // A "*" in an address opens a category first; later groups belong to it.
    EXPECT_EQ(outline(read("*c\r[g]\rx|http://h/a*b\r[g2]\ry|u")),
              (Outline{"c", "  g", "    x = http://h/a*b", "b", "  g2", "    y = u"}));
}

TEST(Reader, GroupLinesSkipOneCharacterNotOneByte) {
    EXPECT_EQ(outline(read("*c\r【体育]\rx|u")), (Outline{"c", "  体育", "    x = u"}));
    // Nothing is left between the skipped character and the "]": an empty name.
    EXPECT_EQ(outline(read("*c\r【]\rx|u")), (Outline{"c"}));
}

TEST(Reader, RepeatedNamesJoinTheNodeThatFirstTookThem) {
    EXPECT_EQ(outline(read("*c1\r[g]\ra|1\r*c2\r[g]\rb|2\r[h]\rc|3")),
              (Outline{"c1", "  g", "    a = 1", "    b = 2", "c2", "  h", "    c = 3"}));
    // A repeated category: its groups attach to the first node of that name.
    EXPECT_EQ(outline(read("*c\r[g]\r*d\r*c\r[h]")), (Outline{"c", "  g", "  h", "d"}));
    // A group named like a category is not added; its channels join the category.
    EXPECT_EQ(outline(read("*c\r[c]\rx|u")), (Outline{"c", "  x = u"}));
}

TEST(Reader, ACategoryLineNamingAGroupNestsTheGroupsThatFollow) {
    EXPECT_EQ(outline(read("*c\r[g]\r*g\r[h]\rx|u")),
              (Outline{"c", "  g", "    h", "      x = u"}));
    // As deep as the list is long: nothing may recurse over the depth.
    std::string deep = "*k0\r";
    const int depth = 100000;
    for (int i = 1; i <= depth; ++i) {
        deep += "[k" + std::to_string(i) + "]\r*k" + std::to_string(i) + "\r";
    }
    MemoryTree tree;
    readTreeFromBytes(deep, tree);
    ASSERT_EQ(tree.nodes().size(), depth + 1u);
    EXPECT_TRUE(tree.find("k" + std::to_string(depth))->visible());
}

TEST(Reader, BracketFirstKeepsTheCurrentGroup) {
    EXPECT_EQ(outline(read("*c\r[g]\r]x\ry|u")), (Outline{"c", "  g", "    y = u"}));
}

TEST(Reader, EmptyNamesAddNoNodeButStillChangeTheState) {
    // An empty category: the groups after it have no parent.
    EXPECT_EQ(outline(read("*c\r[g]\r*\r[h]\rx|u")), (Outline{"c", "  g"}));
    // An empty group: the channels after it do not fall into the previous group.
    EXPECT_EQ(outline(read("*c\r[g]\r[]\rx|u")), (Outline{"c", "  g"}));
    // An empty channel name or address is still a channel.
    EXPECT_EQ(outline(read("*c\r[g]\r|u\rx|")), (Outline{"c", "  g", "     = u", "    x = "}));
}

TEST(Reader, LinesBeforeTheirParentAddNothing) {
    EXPECT_EQ(outline(read("[g]\rx|u\r*c\ry|u\r[h]\rz|u")), (Outline{"c", "  h", "    z = u"}));
}

TEST(Reader, DecodesCodePage936AndSurvivesInvalidBytes) {
    // 0x81 0x7C and 0x81 0x5D are single characters whose second byte is not a marker.
    EXPECT_TRUE(read("").nodes().empty());
    MemoryTree tree;
    readTreeFromBytes("\x81\x7C\r\x81\x5D\r*c\r[g]\r\x80|u", tree);
    EXPECT_EQ(outline(tree), (Outline{"c", "  g", "    € = u"}));

    // Each invalid byte becomes U+FFFD and the rest of the line and file survive.
    readTreeFromBytes("*c\xFF"
                      "d\r[g]\r\xFF\xFFx|http://a\r\x81\ry|http://b\x81",
                      tree);
    EXPECT_EQ(outline(tree), (Outline{"c\uFFFDd", "  g", "    \uFFFD\uFFFDx = http://a",
                                      "    y = http://b\uFFFD"}));

    // Nor can a NUL be part of a name or an address, even in a line of plain ASCII.
    readTreeFromBytes("*c\r[g]\rx\0y|http://a\0.b/\r\x81\0|u"sv, tree);
    EXPECT_EQ(outline(tree),
              (Outline{"c", "  g", "    x\uFFFDy = http://a\uFFFD.b/", "    \uFFFD\uFFFD = u"}));
}

TEST(Reader, ReportsEveryLineAndEveryNodeItTried) {
    struct Recorder : ReadObserver {
        std::vector<std::string> events;
        void lineRead(const LineRead& l) override {
            events.push_back(std::to_string(l.number) + " invalid " +
                             std::to_string(l.invalidBytes));
        }
        void nodeTried(const NodeTried& n) override {
            events.push_back(std::to_string(n.line) + " " + std::string(n.name) + " in " +
                             std::string(n.parentKey) + " " +
                             std::to_string(static_cast<int>(n.result)));
        }
    } recorder;
    MemoryTree tree;
    readTreeFromBytes("x|u\r*c\r]\r[c]\r[]\r\xFFz|v", tree, &recorder);
    using R = AddResult;
    auto ev = [](int line, const char* name, const char* parent, R r) {
        return std::to_string(line) + " " + name + " in " + parent + " " +
               std::to_string(static_cast<int>(r));
    };
    EXPECT_EQ(recorder.events,
              (std::vector<std::string>{
                  "1 invalid 0", ev(1, "x", "", R::NoParent), "2 invalid 0",
                  ev(2, "c", "", R::Added), "3 invalid 0", ev(3, "", "c", R::NotCut), "4 invalid 0",
                  ev(4, "c", "c", R::Refused), "5 invalid 0", ev(5, "", "c", R::EmptyName),
                  "6 invalid 1", ev(6, "\uFFFDz", "", R::NoParent)}));
}

TEST(Reader, ReadsALargeListFromAFile) {
    std::string text;
    for (int c = 0; c < 8; ++c) {
        text += "*分类" + std::to_string(c) + "\r\n";
        for (int g = 0; g < 10; ++g) {
            text += "[组" + std::to_string(c) + "-" + std::to_string(g) + "]\r\n";
            for (int ch = 0; ch < 50; ++ch) {
                text += "频道" + std::to_string(ch) + "|http://127.0.0.1/" + std::to_string(c) +
                        "/" + std::to_string(g) + "/" + std::to_string(ch) + ".m3u8\r\n";
            }
        }
    }
    ScratchDir dir;
    const std::string name = dir.file("baby1.mdb");
    writeFile(name, gbk(text));
    MemoryTree tree;
    readtree(name, tree);
    ASSERT_EQ(tree.roots().size(), 8u);
    std::size_t channels = 0;
    for (const MemoryNode* node : tree.nodes()) {
        if (!node->tag()) {
            continue;
        }
        ++channels;
        // Group "组C-G" holds the addresses ".../C/G/..." and sits under category "分类C".
        std::string path = node->parent()->key()->substr(std::string("组").size());
        const std::string categoryNumber = path.substr(0, path.find('-'));
        path.replace(path.find('-'), 1, "/");
        EXPECT_EQ(node->tag()->rfind("http://127.0.0.1/" + path + "/", 0), 0u) << *node->tag();
        EXPECT_EQ(*node->parent()->parent()->key(), "分类" + categoryNumber);
    }
    EXPECT_EQ(channels, 4000u);
}

TEST(Reader, RaisesWhenTheFileCannotBeRead) {
    ScratchDir dir;
    MemoryTree tree;
    tree.add(std::nullopt, 0, "old", "old");
    try {
        readtree(dir.file("baby1.mdb"), tree);
        FAIL() << "no error";
    } catch (const rz4::common::RuntimeError& e) {
        EXPECT_EQ(e.number(), rz4::common::err::FileNotFound);
    }
    EXPECT_TRUE(tree.nodes().empty()) << "the tree is cleared before the file is opened";
    try {
        readtree(dir.path().string(), tree);
        FAIL() << "no error";
    } catch (const rz4::common::RuntimeError& e) {
        EXPECT_EQ(e.number(), rz4::common::err::PathFileAccess);
    }
}
