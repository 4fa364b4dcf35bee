#pragma once

#include "channels/codec.h"
#include "channels/cp936.h"
#include "tests/channels/scratch_dir.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <span>
#include <string>
#include <sys/wait.h>

namespace rz4::testing {

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

class ChanlistTool : public ::testing::Test {
protected:
    // Runs the tool with the arguments (already shell-safe) and collects what it says.
    ToolRun run(const std::string& args) {
        const std::string errFile = m_dir.file("stderr.txt");
        const std::string command = std::string(RZ4_CHANLIST) + " " + args + " 2>" + errFile;
        FILE* pipe = ::popen(command.c_str(), "r");
        EXPECT_NE(pipe, nullptr);
        ToolRun result{-1, {}, {}};
        char buffer[4096];
        while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) {
            result.out.append(buffer, n);
        }
        const int status = ::pclose(pipe);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        result.err = readFile(errFile);
        return result;
    }

    std::string file(const std::string& name) const { return m_dir.file(name); }

    // Writes a list given in UTF-8 as the server would serve it.
    std::string served(const std::string& name, const std::string& utf8) {
        std::string bytes;
        rz4::channels::Cp936Encoder().encode(utf8, bytes);
        rz4::channels::codeBytes(
            std::span(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size()));
        writeFile(file(name), bytes);
        return file(name);
    }

    ScratchDir m_dir;
};

} // namespace rz4::testing

using rz4::testing::ChanlistTool;
using rz4::testing::ToolRun;
