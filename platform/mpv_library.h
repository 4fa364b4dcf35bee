#pragma once

#include <QFuture>

#include <mpv/client.h>

namespace rz4::platform {

// The libmpv calls the player makes, opened at run time. Linked in, libmpv and the 230 libraries
// behind it cost every start a quarter of a second before main() (measured: an empty program
// linking it starts in 300 ms, one without it in 8 ms); opened on a thread of its own once the
// window is up, nothing waits for it.
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

// Opens libmpv on a thread of its own, once per process, and returns at once; the result is null
// when it cannot be opened or lacks a call.
QFuture<const MpvLibrary*> openMpvLibrary();

// libmpv, waiting for it to be opened.
const MpvLibrary* mpvLibrary();

} // namespace rz4::platform
