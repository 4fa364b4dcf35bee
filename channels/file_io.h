#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
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

private:
    std::string m_name;
    int m_fd;
};

// The whole content of a file.
std::string readWholeFile(const std::string& fileName);

} // namespace rz4::channels
