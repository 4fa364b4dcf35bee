#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace rz4::channels {

// Raises the runtime error for a failed file operation: "file not found" when the file or its
// folder is missing, "path/file access error" otherwise, naming the file and the system's reason.
[[noreturn]] void raiseFileError(int errnoValue, const std::string& fileName);

// A raw byte file whose every failure is a runtime error.
class RawFile {
public:
    // flags as for open(2); new files get the usual permissions (0666 less the umask).
    RawFile(const std::string& fileName, int flags);
    ~RawFile();
    RawFile(const RawFile&) = delete;
    RawFile& operator=(const RawFile&) = delete;

    // Reads up to size bytes at offset; 0 at the end of the file.
    std::size_t readAt(void* data, std::size_t size, off_t offset);
    void writeAt(const void* data, std::size_t size, off_t offset);
    // Some file systems report a failed write only when the file is closed.
    void close();
    int descriptor() const { return m_fd; }

private:
    std::string m_name;
    int m_fd;
};

// The whole content of a file.
std::string readWholeFile(const std::string& fileName);

// The whole content of a file, mapped instead of copied: a list of many megabytes is read in
// place. The file must not shrink while it is mapped.
class MappedFile {
public:
    explicit MappedFile(const std::string& fileName);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    std::string_view bytes() const { return {static_cast<const char*>(m_data), m_size}; }

private:
    void* m_data = nullptr;
    std::size_t m_size = 0;
};

} // namespace rz4::channels
