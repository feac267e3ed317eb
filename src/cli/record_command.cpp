#include "base/duration_format.h"
#include "cli/argument_parser.h"
#include "cli/exit_code.h"
#include "cli/library_session.h"
#include "cli/progress_display.h"
#include "cli/quit_on_signal.h"
#include "cli/recording_commands.h"
#include "platform/audio_input_devices.h"
#include "platform/signal_cancellation.h"
#include "platform/system_microphone_access.h"
#include "recording/recorder_model.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cmath>
#include <iostream>

namespace bw::cli {

namespace {

// How far the wall clock may run ahead of the audio written before the recording is stopped
// anyway (a source that delivers nothing).
constexpr double stallAllowance = 3.0;

double parseSeconds(const std::string& value) {
    auto seconds = parseNumber(value);
    if (!seconds || *seconds <= 0) {
        throw UsageError("--duration needs a positive number of seconds, not “" + value + "”");
    }
    return *seconds;
}

// A level meter of `width` cells, e.g. "[#####.....]".
std::string meter(float level, int width = 20) {
    const int filled = static_cast<int>(std::lround(std::clamp(level, 0.0f, 1.0f) * width));
    return "[" + std::string(std::size_t(filled), '#') +
           std::string(std::size_t(width - filled), '.') + "]";
}

int runRecord(std::span<const std::string> arguments) {
    ArgumentParser parser(
        "brindlewick record [--device UID] [--system-audio] [--duration SECONDS] [--library DIR]",
        "Records from a microphone into the library until the duration has passed or Ctrl-C "
        "(or SIGTERM) arrives, then finishes the recording and prints its identifier.");
    parser
        .option("--device", "UID",
                "the input device to record from (see \"brindlewick devices\"; default: the "
                "system's default input)")
        .flag("--system-audio",
              "also record this computer's sound (what the default output plays, e.g. the "
              "other side of a call) as a second track, aligned with the microphone's")
        .option("--duration", "SECONDS", "stop after this many seconds of audio");
    auto parsed = parseLibraryArguments(parser, arguments);
    if (parsed.helpRequested) {
        return exitDone;
    }
    std::optional<double> limit;
    if (auto value = parsed.option("--duration")) {
        limit = parseSeconds(*value);
    }

    SignalCancellation cancellation; // before the sound server's threads start
    LibrarySession session(parsed);
    SystemMicrophoneAccess access;
    // No user defaults: the command's --device never changes the window's remembered choice.
    RecorderModel recorder(session.model(), session.navigation(), session.alerts(), access, nullptr,
                           &AudioInputDevices::available, &makeSystemMicrophoneSource);
    if (parsed.flag("--system-audio")) {
        recorder.setMakeSystemSource(&makeSystemAudioSource);
        recorder.setRecordsSystemAudio(true);
    }
    // Said once, on its own line; the recording goes on with the microphone and succeeds.
    QObject::connect(&recorder, &RecorderModel::systemAudioUnavailable, [] {
        std::cerr << RecorderModel::systemAudioUnavailableTitle << "\n"
                  << RecorderModel::systemAudioUnavailableMessage << "\n";
    });
    if (auto uid = parsed.option("--device")) {
        recorder.refreshDevices();
        recorder.setSelectedDeviceUID(*uid);
        if (!recorder.selectedDevice()) {
            throw std::runtime_error("No input device has the identifier “" + *uid +
                                     "”. Run \"brindlewick devices\" to list them.");
        }
    }
    try {
        recorder.start(std::chrono::system_clock::now());
    } catch (const std::exception& error) {
        recorder.report(error);
        return session.finish(std::cerr);
    }
    const Uuid item = *recorder.activeItemID();
    // Ctrl-C or SIGTERM ends the recording normally: the item is finished as on quitting.
    QuitOnSignal quit(cancellation, {.recorder = &recorder});

    const bool interactive = ProgressDisplay::standardErrorIsTerminal();
    std::optional<ProgressDisplay> display;
    if (interactive) {
        display.emplace(std::cerr, true);
    }
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const double elapsed = static_cast<double>(clock.elapsed()) / 1000.0;
        if (limit && (recorder.duration() >= *limit || elapsed >= *limit + stallAllowance)) {
            recorder.stop();
        }
        if (recorder.phase() == RecorderModel::Phase::idle) {
            loop.quit();
        } else if (display) {
            display->update("Recording " + Formatting::duration(recorder.duration()), std::nullopt,
                            meter(recorder.level()));
        }
    });
    tick.start(100);
    loop.exec();
    quit.run();
    display.reset();
    std::cout << item.string() << "\n";
    return session.finish(std::cerr);
}

} // namespace

Command recordCommand() {
    return {"record", "record from a microphone into the library", runRecord};
}

} // namespace bw::cli
