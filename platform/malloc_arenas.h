#pragma once

namespace rz4::platform {

// Keeps the process to two malloc arenas. mpv starts demuxer, decoder and output threads for
// every channel, and each thread's arena kept what it had freed: 250 MiB more after 100 channel
// switches, against 2 MiB with two arenas. Call it first thing, before any thread starts.
void limitMallocArenas();

} // namespace rz4::platform
