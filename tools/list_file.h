#pragma once

#include "channels/memory_tree.h"
#include "channels/reader.h"

#include <string>

namespace rz4::tools {

// Builds the tree the client builds from a list file. An encoded file (as the server serves it) is
// decoded in a temporary copy, so the file itself is never changed; a decoded one is read as it is.
void loadTree(const std::string& fileName, bool decoded, channels::MemoryTree& tree,
              channels::ReadObserver* observer = nullptr);

// Replaces the file's content as a whole: a failure leaves the old file untouched. A new file gets
// the usual permissions, an existing one keeps its own.
void replaceFile(const std::string& fileName, const std::string& bytes);

// Copies a file with every byte's bit order reversed; in place when both name the same file.
void codeFile(const std::string& in, const std::string& out);

} // namespace rz4::tools
