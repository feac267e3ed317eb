// An audio input source for recorder tests: the test delivers buffers through it (as the
// audio thread would), makes it stop by itself, and makes start() or resume() fail.
#pragma once

#include "recording/audio_input_source.h"

#include <exception>
#include <functional>

namespace bw {

class FakeAudioInputSource : public AudioInputSource {
public:
    void start(BufferCallback buffer, std::function<void()> stopped) override {
        ++starts;
        if (startError) {
            std::rethrow_exception(startError);
        }
        onBuffer = std::move(buffer);
        onStop = std::move(stopped);
        running = true;
    }
    void pause() override { running = false; }
    void resume() override {
        if (resumeError) {
            std::rethrow_exception(resumeError);
        }
        running = true;
    }
    void stop() override {
        running = false;
        onBuffer = nullptr;
        onStop = nullptr;
        ++stops;
    }

    void deliver(const CaptureBuffer& buffer) {
        if (onBuffer) {
            onBuffer(buffer);
        }
    }
    void stopByItself() {
        if (auto stopped = onStop) {
            stop();
            stopped();
        }
    }

    std::exception_ptr startError;
    std::exception_ptr resumeError;
    BufferCallback onBuffer;
    std::function<void()> onStop;
    bool running = false;
    int starts = 0;
    int stops = 0;
};

} // namespace bw
