// A capture engine for microphone-source tests: records the calls it gets, lets the test set
// its input format and current device, make select() or start() fail, and fire configuration
// changes and buffers by hand.
#pragma once

#include "platform/audio_input_error.h"
#include "platform/microphone_engine.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace bw {

class FakeMicrophoneEngine : public MicrophoneEngine {
public:
    struct Log {
        std::vector<std::string> calls; // "select 7", "installTap", "start", "pause", "stop"...
        int count(const std::string& call) const {
            int n = 0;
            for (const auto& c : calls) {
                n += c == call;
            }
            return n;
        }
    };

    explicit FakeMicrophoneEngine(Log& log) : m_log(log) {}

    void setOnConfigurationChange(std::function<void()> callback) override {
        onChange = std::move(callback);
    }
    std::optional<std::uint32_t> currentDevice() const override { return device; }
    void select(std::uint32_t wanted) override {
        m_log.calls.push_back("select " + std::to_string(wanted));
        if (failSelect) {
            throw AudioInputError(AudioInputError::Kind::deviceUnavailable);
        }
        device = wanted;
    }
    CaptureFormat inputFormat() const override { return format; }
    void installTap(const CaptureFormat&, BufferCallback onBuffer) override {
        m_log.calls.push_back("installTap");
        tap = std::move(onBuffer);
    }
    void removeTap() override {
        m_log.calls.push_back("removeTap");
        tap = nullptr;
    }
    void start() override {
        m_log.calls.push_back("start");
        if (failStart) {
            throw std::runtime_error("the engine refused");
        }
        running = true;
    }
    void pause() override {
        m_log.calls.push_back("pause");
        running = false;
    }
    void stop() override {
        m_log.calls.push_back("stop");
        running = false;
    }
    bool isRunning() const override { return running; }

    // Fires the configuration-change callback, as the engine does on the main thread.
    void changeConfiguration() {
        if (onChange) {
            auto call = onChange;
            call();
        }
    }

    CaptureFormat format{CaptureFormat::SampleType::signedInt16LittleEndian, 48000, 2};
    std::optional<std::uint32_t> device;
    bool failSelect = false;
    bool failStart = false;
    bool running = false;
    std::function<void()> onChange;
    BufferCallback tap;

private:
    Log& m_log;
};

} // namespace bw
