#include "channels/file_io.h"

#include "common/runtime_error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rz4::channels {

void raiseFileError(int errnoValue, const std::string& fileName) {
    using namespace rz4::common;
    const bool missing = errnoValue == ENOENT || errnoValue == ENOTDIR;
    const int number = missing ? err::FileNotFound : err::PathFileAccess;
    const std::string what = missing ? "文件未找到" : "路径/文件访问错误";
    throw RuntimeError(number, what + "：" + fileName + "（" + std::strerror(errnoValue) + "）");
}

RawFile::RawFile(const std::string& fileName, int flags)
    : m_name(fileName), m_fd(::open(fileName.c_str(), flags | O_CLOEXEC, 0666)) {
    if (m_fd < 0) {
        raiseFileError(errno, m_name);
    }
}

RawFile::~RawFile() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

std::size_t RawFile::readAt(void* data, std::size_t size, off_t offset) {
    for (;;) {
        const ssize_t n = ::pread(m_fd, data, size, offset);
        if (n >= 0) {
            return static_cast<std::size_t>(n);
        }
        if (errno != EINTR) {
            raiseFileError(errno, m_name);
        }
    }
}

void RawFile::writeAt(const void* data, std::size_t size, off_t offset) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::pwrite(m_fd, bytes, size, offset);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            raiseFileError(n < 0 ? errno : EIO, m_name);
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
        offset += n;
    }
}

void RawFile::close() {
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        raiseFileError(errno, m_name);
    }
}

std::string readWholeFile(const std::string& fileName) {
    RawFile file(fileName, O_RDONLY);
    std::string content;
    std::size_t used = 0;
    for (;;) {
        content.resize(used + 64 * 1024);
        const std::size_t n =
            file.readAt(content.data() + used, content.size() - used, static_cast<off_t>(used));
        if (n == 0) {
            break;
        }
        used += n;
    }
    content.resize(used);
    file.close();
    return content;
}

MappedFile::MappedFile(const std::string& fileName) {
    RawFile file(fileName, O_RDONLY);
    struct stat status {};
    if (::fstat(file.descriptor(), &status) != 0) {
        raiseFileError(errno, fileName);
    }
    m_size = static_cast<std::size_t>(status.st_size);
    if (m_size == 0) {
        return;
    }
    // Populated at once: one call instead of a fault every page.
    m_data = ::mmap(nullptr, m_size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, file.descriptor(), 0);
    if (m_data == MAP_FAILED) {
        m_data = nullptr;
        raiseFileError(errno, fileName);
    }
}

MappedFile::~MappedFile() {
    if (m_data != nullptr) {
        ::munmap(m_data, m_size);
    }
}

} // namespace rz4::channels
