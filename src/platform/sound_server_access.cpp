#include "platform/sound_server_access.h"

#include <pulse/pulseaudio.h>

#include <chrono>

namespace bw {

MicrophoneAccessStatus soundServerAccess() {
    pa_mainloop* loop = pa_mainloop_new();
    if (!loop) {
        return MicrophoneAccessStatus::undetermined;
    }
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "Brindlewick");
    auto status = MicrophoneAccessStatus::undetermined;
    if (context && pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < deadline) {
            const pa_context_state_t state = pa_context_get_state(context);
            if (state == PA_CONTEXT_READY) {
                status = MicrophoneAccessStatus::granted;
                break;
            }
            if (!PA_CONTEXT_IS_GOOD(state)) {
                const int error = pa_context_errno(context);
                if (error == PA_ERR_ACCESS || error == PA_ERR_AUTHKEY) {
                    status = MicrophoneAccessStatus::denied;
                }
                break;
            }
            // Wake at least ten times a second to watch the deadline.
            if (pa_mainloop_prepare(loop, 100 * 1000) < 0 || pa_mainloop_poll(loop) < 0 ||
                pa_mainloop_dispatch(loop) < 0) {
                break;
            }
        }
        pa_context_disconnect(context);
    }
    if (context) {
        pa_context_unref(context);
    }
    pa_mainloop_free(loop);
    return status;
}

} // namespace bw
