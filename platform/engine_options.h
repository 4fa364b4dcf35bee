#pragma once

#include <span>

namespace rz4::platform {

struct EngineOption {
    const char* name;
    const char* value;
};

// What every engine of ours starts with, wherever it shows its picture.
std::span<const EngineOption> fixedEngineOptions();

// What an engine with a time-shift buffer adds (the folder comes with it).
std::span<const EngineOption> timeShiftOptions();

// Where the picture goes: an X window of ours, or nowhere (no screen, as in test runs).
std::span<const EngineOption> screenOutputOptions();
std::span<const EngineOption> headlessOutputOptions();

} // namespace rz4::platform
