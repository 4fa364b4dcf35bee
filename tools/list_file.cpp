#include "tools/list_file.h"

#include "channels/codec.h"
#include "channels/file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace rz4::tools {

using channels::raiseFileError;
using channels::RawFile;

namespace {

// A file made for the moment and removed whatever happens.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string pattern) : m_name(std::move(pattern)) {
        const int fd = ::mkstemp(m_name.data());
        if (fd < 0) {
            raiseFileError(errno, m_name);
        }
        ::close(fd);
    }
    ~TemporaryFile() {
        if (!m_kept) {
            ::unlink(m_name.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& name() const { return m_name; }
    void keep() { m_kept = true; }

private:
    std::string m_name;
    bool m_kept = false;
};

mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

void loadTree(const std::string& fileName, bool decoded, channels::MemoryTree& tree,
              channels::ReadObserver* observer) {
    auto read = [&](const std::string& name) {
        if (observer != nullptr) {
            channels::readtree(name, tree, *observer);
        } else {
            channels::readtree(name, tree);
        }
    };
    if (decoded) {
        read(fileName);
        return;
    }
    // The client's own steps, on a copy: decode in place, then read.
    const std::string content = channels::readWholeFile(fileName);
    TemporaryFile copy((std::filesystem::temp_directory_path() / "rz4-chanlist-XXXXXX").string());
    RawFile file(copy.name(), O_WRONLY);
    file.writeAt(content.data(), content.size(), 0);
    file.close();
    channels::code(copy.name());
    read(copy.name());
}

void replaceFile(const std::string& fileName, const std::string& bytes) {
    struct stat old {};
    const mode_t mode = ::stat(fileName.c_str(), &old) == 0 ? old.st_mode & 07777 : newFileMode();
    // Written beside the target and renamed over it, so readers never see half a file.
    TemporaryFile next(fileName + ".XXXXXX");
    RawFile file(next.name(), O_WRONLY);
    file.writeAt(bytes.data(), bytes.size(), 0);
    file.close();
    if (::chmod(next.name().c_str(), mode) != 0 ||
        ::rename(next.name().c_str(), fileName.c_str()) != 0) {
        raiseFileError(errno, fileName);
    }
    next.keep();
}

void codeFile(const std::string& in, const std::string& out) {
    struct stat inStat {};
    if (::stat(in.c_str(), &inStat) != 0) {
        raiseFileError(errno, in);
    }
    struct stat outStat {};
    if (::stat(out.c_str(), &outStat) == 0 && outStat.st_dev == inStat.st_dev &&
        outStat.st_ino == inStat.st_ino) {
        channels::code(in);
        return;
    }
    std::string bytes = channels::readWholeFile(in);
    channels::codeBytes(std::span(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size()));
    replaceFile(out, bytes);
}

} // namespace rz4::tools
