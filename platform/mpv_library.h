#pragma once

#include <mpv/client.h>

namespace rz4::platform {

// The libmpv calls the player makes, opened at run time. Linked in, libmpv and the 230 libraries
// behind it cost every start a quarter of a second before main() (measured: an empty program
// linking it starts in 300 ms, one without it in 8 ms); opened on a thread of its own, that work
// happens beside the window's set-up instead.
struct MpvLibrary {
    decltype(&mpv_create) create;
    decltype(&mpv_initialize) initialize;
    decltype(&mpv_terminate_destroy) terminateDestroy;
    decltype(&mpv_set_option) setOption;
    decltype(&mpv_set_option_string) setOptionString;
    decltype(&mpv_request_log_messages) requestLogMessages;
    decltype(&mpv_observe_property) observeProperty;
    decltype(&mpv_set_wakeup_callback) setWakeupCallback;
    decltype(&mpv_wait_event) waitEvent;
    decltype(&mpv_command_async) commandAsync;
    decltype(&mpv_set_property_async) setPropertyAsync;
    decltype(&mpv_get_property_string) getPropertyString;
    decltype(&mpv_free) free;
};

// Starts opening libmpv on a thread of its own and returns at once. Call it once the application
// object exists: its platform plugin is then loaded and does not wait behind libmpv.
void preloadMpvLibrary();

// libmpv, waiting for the preload when one runs (or opening it here); null when it cannot be
// opened or lacks a call.
const MpvLibrary* mpvLibrary();

} // namespace rz4::platform
