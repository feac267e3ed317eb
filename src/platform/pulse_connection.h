// A connection to the PulseAudio sound server (PipeWire's PulseAudio server works the same)
// with its own threaded main loop: the loop's thread is where the server's callbacks run (the
// audio thread of a capture stream). Used by the device queries, the capture engine and the
// player of this module; the libpulse types stay behind forward declarations.
#pragma once

#include "platform/capture_buffer.h"
#include "platform/capture_format.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_operation;
struct pa_stream;

namespace bw {

// A failure to reach or use the sound server; what() is the server library's description.
class PulseError : public std::runtime_error {
public:
    PulseError(const std::string& message, bool accessDenied)
        : std::runtime_error(message), m_accessDenied(accessDenied) {}
    // The server refused this client for lack of permission.
    bool accessDenied() const { return m_accessDenied; }

private:
    bool m_accessDenied;
};

// What the server says about one source.
struct PulseSource {
    std::uint32_t index = 0;
    std::string name;
    std::string description;
    CaptureFormat format;
    bool isMonitor = false;
    bool isUsable = false; // in a valid state
};

class PulseConnection {
public:
    // Connects, without ever starting a server. Throws PulseError.
    PulseConnection();
    ~PulseConnection();
    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    // Whether the connection is still up (the server may go away).
    bool isConnected() const;

    // Every source in the server's order, monitors included; empty on any failure.
    std::vector<PulseSource> sources();
    std::optional<PulseSource> source(std::uint32_t index);
    // The server's default source name; none on failure.
    std::optional<std::string> defaultSourceName();
    // The monitor source of the server's default output (sink): what this computer plays. None
    // when there is no output, or on failure.
    std::optional<PulseSource> defaultOutputMonitor();

    // What subscribe() reports: changes of sources (inputs) or of sinks (outputs).
    enum class Events { sources, sinks };
    // Calls `onEvent` on the loop's thread for every change of a source (or a sink) or of the
    // server (its defaults), and when the connection is lost. Replaces an earlier callback.
    void subscribe(std::function<void()> onEvent, Events events = Events::sources);

    // The loop's lock: held by callbacks; every other use of the context must hold it.
    void lock();
    void unlock();
    // Waits (the lock held) until a callback signals.
    void wait();
    void signal();
    pa_context* context() const { return m_context; }
    // Waits for an operation to complete and releases it; the lock is held.
    void await(pa_operation* operation);
    // Connects a new record stream to the source named `source`, never to be moved elsewhere by
    // the server, with timing information for its capture times, fragments of `fragmentBytes`
    // and the libpulse stream flags `flags` besides; waits (the lock held) until it is ready.
    // False when it fails, with the reason in lastError().
    bool connectRecord(pa_stream* stream, const std::string& source, std::size_t fragmentBytes,
                       unsigned flags);
    std::string lastError() const;

private:
    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    std::function<void()> m_onEvent;
};

// The monotonic time (monotonic_clock.h) at which the first frame a record stream's next read
// delivers was captured: now, less the stream's latency (captured but not yet read). None until
// the server has sent timing information; the stream needs PA_STREAM_INTERPOLATE_TIMING and
// PA_STREAM_AUTO_TIMING_UPDATE. Called on the loop's thread (or with the lock held).
std::optional<double> recordStreamCaptureTime(pa_stream* stream);

// Hands every fragment a record stream has ready to `deliver` (when it is set) as buffers in
// `format`, each stamped with its capture time; a hole the server left is skipped. For the
// stream's read callback, on the loop's thread.
void drainRecordStream(pa_stream* stream, const CaptureFormat& format,
                       const std::function<void(const CaptureBuffer&)>& deliver);

// A new, unconnected stream named `name` in `format`, or null when the server refuses it (an
// unsupported sample type among others). Needs the connection's lock.
pa_stream* newRecordStream(PulseConnection& connection, const char* name,
                           const CaptureFormat& format);

// Detaches a record stream's callbacks, disconnects it and drops the reference; `stream` is null
// afterwards. Needs the connection's lock.
void releaseRecordStream(pa_stream*& stream);

// Holds the connection's lock for a scope.
class PulseLock {
public:
    explicit PulseLock(PulseConnection& connection) : m_connection(connection) {
        m_connection.lock();
    }
    ~PulseLock() { m_connection.unlock(); }
    PulseLock(const PulseLock&) = delete;
    PulseLock& operator=(const PulseLock&) = delete;

private:
    PulseConnection& m_connection;
};

} // namespace bw
