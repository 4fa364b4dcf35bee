#include "platform/mpv_library.h"

#include <QPromise>

#include <dlfcn.h>

#include <future>
#include <memory>
#include <mutex>
#include <string>

namespace rz4::platform {

namespace {

// The file name follows the client API's major version, as libmpv's own name does.
const std::string LibraryName = "libmpv.so." + std::to_string(MPV_CLIENT_API_VERSION >> 16);

template <typename Call> bool resolve(void* handle, const char* name, Call& call) {
    call = reinterpret_cast<Call>(::dlsym(handle, name));
    return call != nullptr;
}

std::unique_ptr<const MpvLibrary> open() {
    // Kept open for the life of the process, as a linked library would be. Bound lazily: binding
    // every call of the libraries behind it up front made opening it take half as long again
    // (measured: 185 ms against 120 ms).
    void* handle = ::dlopen(LibraryName.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (handle == nullptr) {
        return nullptr;
    }
    auto lib = std::make_unique<MpvLibrary>();
    const bool complete = resolve(handle, "mpv_create", lib->create) &&
                          resolve(handle, "mpv_initialize", lib->initialize) &&
                          resolve(handle, "mpv_terminate_destroy", lib->terminateDestroy) &&
                          resolve(handle, "mpv_set_option", lib->setOption) &&
                          resolve(handle, "mpv_set_option_string", lib->setOptionString) &&
                          resolve(handle, "mpv_request_log_messages", lib->requestLogMessages) &&
                          resolve(handle, "mpv_observe_property", lib->observeProperty) &&
                          resolve(handle, "mpv_set_wakeup_callback", lib->setWakeupCallback) &&
                          resolve(handle, "mpv_wait_event", lib->waitEvent) &&
                          resolve(handle, "mpv_command_async", lib->commandAsync) &&
                          resolve(handle, "mpv_set_property_async", lib->setPropertyAsync) &&
                          resolve(handle, "mpv_get_property_string", lib->getPropertyString) &&
                          resolve(handle, "mpv_free", lib->free);
    return complete ? std::move(lib) : nullptr;
}

} // namespace

QFuture<const MpvLibrary*> openMpvLibrary() {
    static std::once_flag started;
    static QFuture<const MpvLibrary*> opened;
    // Its destructor waits for the thread, should the program end before libmpv is open.
    static std::future<void> opening;
    std::call_once(started, [] {
        QPromise<const MpvLibrary*> promise;
        opened = promise.future();
        promise.start();
        opening = std::async(std::launch::async, [promise = std::move(promise)]() mutable {
            static const std::unique_ptr<const MpvLibrary> library = open();
            promise.addResult(library.get());
            promise.finish();
        });
    });
    return opened;
}

const MpvLibrary* mpvLibrary() {
    return openMpvLibrary().result();
}

} // namespace rz4::platform
