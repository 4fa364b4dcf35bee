#pragma once

#include "platform/playback.h"
#include "platform/time_shift.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

struct mpv_handle;

namespace rz4::platform {

struct MpvLibrary;

// One libmpv engine: its options, its commands, and its events turned into typed signals. The
// engine's wakeup only posts a drain to the GUI thread, where every signal is emitted.
class MpvEngine : public QObject {
    Q_OBJECT
public:
    struct Setup {
        bool headless = false;   // no window: no video output, no sound
        std::int64_t window = 0; // the X window to draw into, unless headless
        int volume = 50;
        bool mute = false;
        // Holds what it receives for pausing and seeking, in the folder that setOption() names
        // as "cache-dir" before the file is opened.
        bool timeShift = false;
    };

    explicit MpvEngine(QObject* parent = nullptr);
    ~MpvEngine() override;

    // Makes a new engine with library, replacing the one running; false when it cannot be made.
    bool start(const MpvLibrary& library, const Setup& setup);
    // Ends the engine; of what it had queued, only an end already read is still told.
    void stop();
    bool running() const { return m_handle != nullptr; }

    // Replaces what plays with url; loadRejected() when the engine refuses it.
    void load(const QString& url);
    void stopPlayback();
    void setVolume(int volume);
    void setFlag(const char* name, bool value);
    // Shows the moment `seconds` of the stream, as exactly as the engine can.
    void seekTo(double seconds);
    // Shows again the moment on screen. A paused engine's reader, once at its read-ahead limit,
    // sleeps and takes a new limit only when woken: this seek wakes it.
    void seekInPlace();
    // Writes what is held from `seconds` on into path and goes on appending what arrives, until
    // stopDump() or the end of the file; dumpEnded() then.
    void dumpFrom(double seconds, const QString& path);
    void stopDump();
    // A setting changed while the engine runs.
    void setOption(const char* name, const QString& value);
    // A property as text, empty when it has none.
    QString property(const char* name) const;

signals:
    void fileStarted();
    void framesShown();
    // After the log lines of the file have been told: they may name why it failed.
    void ended(rz4::platform::EndReason reason, bool unknownFormat);
    void loadRejected();
    void logLine(const QString& text);
    void cacheFilling(bool filling);
    void cachePercent(int percent);
    void paused(bool paused);
    // What the engine holds of the stream and the moment shown, about once a second while it
    // reads.
    void held(const rz4::platform::HeldStream& stream);
    // A dump ended: stopped, failed (ok false) or with the file.
    void dumpEnded(bool ok);
    // After each event: a good moment to look at the whole state again.
    void eventHandled();
    // The engine quit on its own (its window went): it is stopped.
    void shutDown();

private:
    struct Deleter {
        void operator()(mpv_handle* handle) const;
    };
    struct PendingEnd {
        EndReason reason;
        bool unknownFormat;
    };

    static void wakeup(void* self);
    void drain();
    void handle(const void* data);
    void flushEnd();
    void learnDecoding();

    const MpvLibrary* m_lib = nullptr;
    std::unique_ptr<mpv_handle, Deleter> m_handle;
    std::atomic<bool> m_drainQueued{false};
    std::optional<PendingEnd> m_pendingEnd;
    // The codecs still worth looking for a hardware decoder for, and what the file playing uses.
    QStringList m_hwdecCodecs;
    QString m_codec;
    QString m_decodedBy;
};

} // namespace rz4::platform
