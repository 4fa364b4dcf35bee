#include "channels/codec.h"
#include "channels/list_size.h"
#include "tests/tools/chanlist_fixture.h"

using rz4::testing::readFile;
using rz4::testing::writeFile;

TEST_F(ChanlistTool, EncodeAndDecodeReverseEveryBitAndMayWorkInPlace) {
    std::string plain;
    for (int i = 0; i < 70000; ++i) {
        plain += static_cast<char>(i * 13);
    }
    writeFile(file("plain"), plain);
    ASSERT_EQ(run("encode " + file("plain") + " " + file("served")).status, 0);
    const std::string encoded = readFile(file("served"));
    ASSERT_EQ(encoded.size(), plain.size());
    for (std::size_t i = 0; i < plain.size(); ++i) {
        ASSERT_EQ(static_cast<std::uint8_t>(encoded[i]),
                  rz4::channels::codeByte(static_cast<std::uint8_t>(plain[i])));
    }
    EXPECT_EQ(readFile(file("plain")), plain) << "the input stays as it was";
    ASSERT_EQ(run("decode " + file("served") + " " + file("served")).status, 0);
    EXPECT_EQ(readFile(file("served")), plain);
}

TEST_F(ChanlistTool, TreePrintsTheClientsTreeAsJson) {
    const std::string list = "*央视\r\n[新闻]\r\nCCTV \"1\"|http://h/1\r\n[\\]|\r\n";
    const std::string name = served("baby1.mdb", list);
    const std::string before = readFile(name);
    const ToolRun r = run("tree " + name);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(
        r.out,
        "[\n"
        R"({"kind":"category","key":"央视","text":"央视","tag":null,"parent":null,"expanded":true},)"
        "\n"
        R"({"kind":"group","key":"新闻","text":"新闻","tag":null,"parent":"央视","expanded":false},)"
        "\n"
        R"({"kind":"channel","key":null,"text":"CCTV \"1\"","tag":"http://h/1","parent":"新闻","expanded":false},)"
        "\n"
        R"({"kind":"group","key":"\\","text":"\\","tag":null,"parent":"央视","expanded":false},)"
        "\n"
        R"({"kind":"channel","key":null,"text":"[\\]","tag":"","parent":"\\","expanded":false})"
        "\n]\n");
    EXPECT_EQ(readFile(name), before) << "the file is never changed";

    std::string plain;
    rz4::channels::Cp936Encoder().encode(list, plain);
    writeFile(file("plain"), plain);
    EXPECT_EQ(run("tree --decoded " + file("plain")).out, r.out);
    EXPECT_EQ(run("tree " + served("empty", "")).out, "[]\n");
}

TEST_F(ChanlistTool, CheckReportsSurprisesByLine) {
    const ToolRun clean = run("check " + served("clean", "*c\r\n[g]\r\nx|http://h/x\r\n"));
    EXPECT_EQ(clean.status, 0) << clean.out;
    EXPECT_NE(clean.out.find("1 categories, 1 groups, 1 channels, 0 warning(s)"), std::string::npos)
        << clean.out;
    // A list the client would refuse for its size, however clean its lines.
    std::string huge = "*c\r\n[g]\r\nx|http://h/x\r\n";
    while (huge.size() <= static_cast<std::size_t>(rz4::channels::MaxListBytes)) {
        huge += "\r\n";
    }
    const ToolRun big = run("check " + served("huge", huge));
    EXPECT_EQ(big.status, 1) << big.out;
    EXPECT_NE(big.out.find("more than the 16 MiB the client downloads"), std::string::npos)
        << big.out;

    const ToolRun r = run("check " + served("odd", "[early]\r\n*c\r\n[g]\r\nhello\r\n*c\r\n[g]\r\n"
                                                   "a|file:///etc/passwd\r\nb|\r\n[x]y|http://h\r\n"
                                                   "*\r\n[h]\r\n"));
    EXPECT_EQ(r.status, 1);
    for (const char* expected :
         {":1: group \"early\" not added: no category before it", ":4: no marker",
          ":5: category \"c\" not added: the name is taken by line 2",
          ":6: group \"g\" not added: the name is taken by line 3",
          ":7: channel \"a\": address \"file:///etc/passwd\" is not a network stream",
          ":8: channel \"b\" has an empty address", ":9: several markers",
          ":10: empty category name", ":11: group \"h\" not added: no category before it"}) {
        EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;
    }

    const ToolRun twins =
        run("check " + served("twins", "*c\r\n[g]\r\nx|http://h/1\r\n"
                                       "x|http://h/2\r\n[g2]\r\nx|http://h/3\r\n"));
    EXPECT_EQ(twins.status, 1);
    EXPECT_NE(twins.out.find(":4: channel \"x\" has the name of line 3 in group \"g\""),
              std::string::npos)
        << twins.out;
    EXPECT_EQ(twins.out.find(":6:"), std::string::npos) << "another group may use the name";

    // 0x80 is the euro sign to the client as to check; a NUL would cut the address short.
    static const char bytesList[] = "*c\r\n[g]\r\n\xFFx|http://h\r\ny|http://h\nz|u\r\n"
                                    "\x80|http://h/\x80\r\nn|http://h/\0x\r\n";
    writeFile(file("bytes"), std::string(bytesList, sizeof bytesList - 1));
    const ToolRun bytes = run("check --decoded " + file("bytes"));
    EXPECT_NE(bytes.out.find(":3: 1 byte(s) not valid in code page 936"), std::string::npos);
    EXPECT_NE(bytes.out.find(":4: line feed without carriage return"), std::string::npos);
    EXPECT_EQ(bytes.out.find(":5:"), std::string::npos) << bytes.out;
    EXPECT_NE(bytes.out.find(":6: 1 byte(s) not valid in code page 936 or NUL"), std::string::npos)
        << bytes.out;

    EXPECT_EQ(run("check " + file("missing")).status, 2);
    EXPECT_EQ(run("check " + m_dir.path().string()).status, 2);
}

TEST_F(ChanlistTool, FromM3uWritesAServedListOrNothing) {
    writeFile(file("in.m3u"), "#EXTM3U\n#EXTINF:-1 group-title=\"新闻\",CCTV-1\n"
                              "http://h/1.m3u8\n#EXTINF:-1 group-title=\"体育\",五\nhttp://h/5\n"
                              "#EXTINF:-1 group-title=\"新闻\",CCTV-13\nhttp://h/13\n");
    const ToolRun r = run("from-m3u " + file("in.m3u") + " " + file("out.mdb"));
    ASSERT_EQ(r.status, 0) << r.err;
    const ToolRun tree = run("tree " + file("out.mdb"));
    for (const char* expected :
         {R"("key":"网络电视")", R"("text":"CCTV-1","tag":"http://h/1.m3u8","parent":"新闻")",
          R"("text":"CCTV-13","tag":"http://h/13","parent":"新闻")",
          R"("text":"五","tag":"http://h/5","parent":"体育")"}) {
        EXPECT_NE(tree.out.find(expected), std::string::npos) << expected;
    }
    EXPECT_LT(tree.out.find("CCTV-13"), tree.out.find("体育")) << "groups in first-seen order";
    EXPECT_EQ(run("check " + file("out.mdb")).status, 0);

    writeFile(file("emoji.m3u"), "#EXTINF:-1,ok\nhttp://h/1\n#EXTINF:-1,台😀\nhttp://h/2\n");
    const ToolRun partial = run("from-m3u " + file("emoji.m3u") + " " + file("new.mdb"));
    EXPECT_EQ(partial.status, 1) << "an entry left out";
    EXPECT_NE(partial.err.find("emoji.m3u:3: left out: channel \"台😀\""), std::string::npos)
        << partial.err;
    EXPECT_NE(partial.out.find("2 entries, 1 channels written, 1 left out, 0 changed"),
              std::string::npos)
        << partial.out;
    EXPECT_EQ(run("from-m3u " + file("emoji.m3u") + " " + file("new.mdb") + " --lossy").status, 1);
    EXPECT_NE(run("tree " + file("new.mdb")).out.find(R"("text":"台?")"), std::string::npos);

    writeFile(file("v6.m3u"), "#EXTINF:-1,v6\nhttp://[::1]/x\n");
    const ToolRun none = run("from-m3u " + file("v6.m3u") + " " + file("none.mdb"));
    EXPECT_EQ(none.status, 2) << "nothing usable";
    EXPECT_FALSE(std::filesystem::exists(file("none.mdb")));
    for (const char* options : {"--group-by country", "--max-group 0", "--max-group x"}) {
        EXPECT_EQ(run("from-m3u " + file("v6.m3u") + " " + file("none.mdb") + " " + options).status,
                  2)
            << options;
    }
}

TEST_F(ChanlistTool, BadInputGetsAMessageAndAnExitStatusNeverACrash) {
    for (const std::string& args : std::vector<std::string>{
             "", "frobnicate", "tree", "tree a b", "decode " + file("missing") + " " + file("o"),
             "decode " + m_dir.path().string() + " " + file("o"), "tree --bogus " + file("x"),
             "from-m3u " + file("missing") + " " + file("o"), "from-m3u a b --category",
             "encode " + file("missing") + " " + file("missing")}) {
        const ToolRun r = run(args);
        EXPECT_TRUE(r.status == 1 || r.status == 2) << args << ": " << r.status;
        EXPECT_NE(r.err.find("rz4-chanlist: "), std::string::npos) << args;
    }
    EXPECT_FALSE(std::filesystem::exists(file("missing"))) << "decode never creates its input";

    std::string noise;
    for (int i = 0; i < 20000; ++i) {
        noise += static_cast<char>((i * 2654435761u) >> 13);
    }
    writeFile(file("noise"), noise);
    for (const char* command : {"tree ", "check ", "tree --decoded "}) {
        const ToolRun r = run(command + file("noise"));
        EXPECT_LT(r.status, 2) << command << r.err;
    }
    EXPECT_EQ(run("--help").status, 0);
}
