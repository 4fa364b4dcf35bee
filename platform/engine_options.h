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

// How many seconds the engine reads ahead of the picture ("cache-secs"). At live, little: a
// reader waiting at the live playlist's end holds up the next channel switch. Paused or behind
// live, as long as a pause is kept: a paused engine that stops reading while the live playlist
// moves on leaves a gap at resume.
inline constexpr const char* LiveReadAheadSeconds = "3";
inline constexpr const char* HeldReadAheadSeconds = "1800";

// Where the picture goes: an X window of ours, or nowhere (no screen, as in test runs).
std::span<const EngineOption> screenOutputOptions();
std::span<const EngineOption> headlessOutputOptions();

} // namespace rz4::platform
