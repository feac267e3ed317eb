#include "recording/recorder_model.h"

#include "library/support_texts.h"
#include "platform/app_settings.h"
#include "platform/audio_input_error.h"
#include "platform/monotonic_clock.h"
#include "platform/pulse_microphone_engine.h"
#include "platform/pulse_system_audio_capture.h"
#include "recording/microphone_source.h"
#include "recording/recorder_error.h"
#include "recording/recording_title.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <algorithm>

namespace bw {

namespace {

const char* const stoppedTitle = "The recording stopped";
const char* const diskMessage =
    "Brindlewick couldn't save more audio, possibly because the disk is full. Everything "
    "recorded up to that point is kept. Free up disk space before you record again.";
const char* const microphoneMessage =
    "The microphone was disconnected or changed. Everything recorded up to that point is kept. "
    "To continue, start a new recording.";

// The failure a start reports: a missing input is its own case; the library's and the
// recorder's own errors pass as they are; anything else could not start.
[[noreturn]] void rethrowAsStartError(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const AudioInputError&) {
        throw RecorderError::noInputAvailable();
    } catch (const RecorderError&) {
        throw;
    } catch (const std::exception& other) {
        throw RecorderError::couldNotStart(other.what());
    }
}

const char* const systemAudioFileName = "system.caf";

std::string couldNotStartMessage(const std::string& reason) {
    return "Check that the microphone is connected and this computer has enough free disk "
           "space, then try again. " +
           supportSentence() + " (" + reason + ")";
}

} // namespace

RecorderModel::RecorderModel(LibraryModel& library, LibraryNavigation& navigation,
                             AlertCentre& alerts, MicrophoneAccess& access, UserDefaults* defaults,
                             ListDevices listDevices, MakeSource makeSource, QObject* parent)
    : QObject(parent), m_library(library), m_navigation(navigation), m_alerts(alerts),
      m_access(access), m_defaults(defaults), m_listDevices(std::move(listDevices)),
      m_makeSource(std::move(makeSource)) {
    connect(&m_library, &LibraryModel::activeRecordingIDChanged, this,
            &RecorderModel::activeItemIDChanged);
    const AppSettings settings(m_defaults);
    m_selectedDeviceUID = settings.inputDeviceUID();
    m_recordsSystemAudio = settings.recordsSystemAudio();
}

const std::optional<Uuid>& RecorderModel::activeItemID() const {
    return m_library.activeRecordingID();
}

RecorderModel::~RecorderModel() {
    stop();
}

std::optional<AudioInputDevice> RecorderModel::selectedDevice() const {
    if (!m_selectedDeviceUID) {
        return std::nullopt;
    }
    for (const auto& device : m_devices) {
        if (device.uid == *m_selectedDeviceUID) {
            return device;
        }
    }
    return std::nullopt;
}

void RecorderModel::setSelectedDeviceUID(const std::optional<std::string>& uid) {
    m_selectedDeviceUID = uid;
    AppSettings(m_defaults).setInputDeviceUID(uid);
    emit selectedDeviceUIDChanged();
}

void RecorderModel::setMakeSystemSource(MakeSystemSource make) {
    m_makeSystemSource = std::move(make);
}

void RecorderModel::setRecordsSystemAudio(bool on) {
    if (on == m_recordsSystemAudio) {
        return;
    }
    m_recordsSystemAudio = on;
    AppSettings(m_defaults).setRecordsSystemAudio(on);
    emit recordsSystemAudioChanged();
}

void RecorderModel::refreshDevices() {
    setDevices(m_listDevices());
}

void RecorderModel::setDevices(std::vector<AudioInputDevice> devices) {
    if (devices != m_devices) {
        m_devices = std::move(devices);
        emit devicesChanged();
    }
}

void RecorderModel::checkAccess(MicrophoneAccessStatus status, bool requestGranted) const {
    if (status == MicrophoneAccessStatus::denied ||
        (status == MicrophoneAccessStatus::undetermined && !requestGranted)) {
        throw RecorderError::microphoneDenied();
    }
}

void RecorderModel::start(TimePoint at) {
    if (m_phase != Phase::idle) {
        throw RecorderError::alreadyRecording();
    }
    setPhase(Phase::starting);
    try {
        refreshDevices();
        const auto status = m_access.status();
        checkAccess(status, status == MicrophoneAccessStatus::undetermined && m_access.request());
        beginSession(addItem(at));
    } catch (...) {
        setPhase(Phase::idle);
        throw;
    }
}

LibraryModel::NewRecording RecorderModel::addItem(TimePoint at) {
    const bool twoTracks = m_recordsSystemAudio && m_makeSystemSource;
    auto recording = m_library.beginRecording(
        recordingTitle(at), at, m_navigation.groupForNewItems(),
        twoTracks ? std::optional<std::string>(systemAudioFileName) : std::nullopt);
    m_navigation.setSelection(recording.item.id);
    return recording;
}

// The pipelines, and once started the sources, of a recording's one or two tracks.
struct RecorderModel::Tracks {
    std::unique_ptr<RecordingPipeline> pipeline;
    std::shared_ptr<AudioInputSource> source;
    std::unique_ptr<RecordingPipeline> systemPipeline;
    std::shared_ptr<AudioInputSource> systemSource;
};

void RecorderModel::beginSession(LibraryModel::NewRecording recording) {
    const LibraryItem& item = recording.item;
    m_itemLock = std::move(recording.lock);
    Tracks tracks = makeTracks(item);
    try {
        tracks.source = m_makeSource(selectedDevice());
        startSource(*tracks.source, *tracks.pipeline, item.id);
    } catch (...) {
        tracks = Tracks();
        undoStart(item);
        rethrowAsStartError(std::current_exception());
    }
    startSystemSource(tracks, item.id);
    adoptSession(item.id, std::move(tracks));
}

RecorderModel::Tracks RecorderModel::makeTracks(const LibraryItem& item) {
    Tracks tracks;
    std::optional<double> origin;
    if (item.systemAudioFileName) {
        // Both tracks' sample 0 is this instant.
        origin = monotonicSeconds();
        tracks.systemPipeline =
            makePipeline(m_library.store().itemFolderURL(item.id) / *item.systemAudioFileName,
                         item.id, false, origin);
    }
    tracks.pipeline = makePipeline(m_library.store().audioFileURL(item), item.id, true, origin);
    return tracks;
}

std::unique_ptr<RecordingPipeline>
RecorderModel::makePipeline(const std::filesystem::path& file, const Uuid& id, bool reportsProgress,
                            std::optional<double> timelineOrigin) {
    RecordingPipeline::ProgressCallback onProgress;
    if (reportsProgress) {
        onProgress = [this, id](RecordingPipeline::Progress progress) {
            QMetaObject::invokeMethod(
                this, [this, id, progress] { applyProgress(id, progress); }, Qt::QueuedConnection);
        };
    }
    return std::make_unique<RecordingPipeline>(
        file, std::move(onProgress),
        [this, id](std::exception_ptr) {
            QMetaObject::invokeMethod(
                this, [this, id] { stopAfterProblem(diskMessage, id); }, Qt::QueuedConnection);
        },
        timelineOrigin);
}

void RecorderModel::startSource(AudioInputSource& source, RecordingPipeline& pipeline,
                                const Uuid& id) {
    RecordingPipeline* receiver = &pipeline;
    source.start([receiver](const CaptureBuffer& buffer) { receiver->receive(buffer); },
                 [this, id] {
                     QMetaObject::invokeMethod(
                         this, [this, id] { stopAfterProblem(microphoneMessage, id); },
                         Qt::QueuedConnection);
                 });
}

void RecorderModel::startSystemSource(Tracks& tracks, const Uuid& id) {
    if (!tracks.systemPipeline) {
        return;
    }
    auto unavailable = [this, id] {
        QMetaObject::invokeMethod(
            this,
            [this, id] {
                if (isRecording() && activeItemID() == id) {
                    emit systemAudioUnavailable();
                }
            },
            Qt::QueuedConnection);
    };
    RecordingPipeline* receiver = tracks.systemPipeline.get();
    try {
        auto source = m_makeSystemSource(unavailable);
        // This computer's sound never ends the recording: it has no stop of its own.
        source->start([receiver](const CaptureBuffer& buffer) { receiver->receive(buffer); },
                      [] {});
        tracks.systemSource = std::move(source);
    } catch (const std::exception&) {
        unavailable();
    }
}

void RecorderModel::adoptSession(const Uuid& id, Tracks tracks) {
    m_source = std::move(tracks.source);
    m_pipeline = std::move(tracks.pipeline);
    m_systemSource = std::move(tracks.systemSource);
    m_systemPipeline = std::move(tracks.systemPipeline);
    m_library.setActiveRecordingID(id);
    setDuration(0);
    setLevel(0);
    setPhase(Phase::recording);
}

// What a start on the worker thread has reached, read on the main thread once it has posted
// (or once the main thread has joined it).
struct RecorderModel::PendingStart {
    std::optional<LibraryItem> item;
    Tracks tracks;
    std::exception_ptr error;
};

void RecorderModel::requestStart(TimePoint at) {
    if (m_phase != Phase::idle) {
        return;
    }
    setPhase(Phase::starting);
    m_pendingStart = std::make_shared<PendingStart>();
    m_startWork.start(
        [this, at, listDevices = m_listDevices](std::stop_token, const BackgroundWork::Post& post) {
            std::vector<AudioInputDevice> devices;
            std::exception_ptr problem;
            try {
                devices = listDevices();
                const auto status = m_access.status();
                checkAccess(status,
                            status == MicrophoneAccessStatus::undetermined && m_access.request());
            } catch (...) {
                problem = std::current_exception();
            }
            post([this, at, devices = std::move(devices), problem]() mutable {
                continueStart(at, std::move(devices), problem);
            });
        });
}

void RecorderModel::continueStart(TimePoint at, std::vector<AudioInputDevice> devices,
                                  std::exception_ptr accessProblem) {
    auto pending = m_pendingStart;
    if (!pending || m_phase != Phase::starting) {
        return;
    }
    setDevices(std::move(devices));
    try {
        if (accessProblem) {
            std::rethrow_exception(accessProblem);
        }
        auto recording = addItem(at);
        m_itemLock = std::move(recording.lock);
        pending->item = recording.item;
        pending->tracks = makeTracks(recording.item);
    } catch (const std::exception& error) {
        failStart(error);
        return;
    }
    m_startWork.start([this, pending, device = selectedDevice(), makeSource = m_makeSource](
                          std::stop_token, const BackgroundWork::Post& post) {
        try {
            auto source = makeSource(device);
            startSource(*source, *pending->tracks.pipeline, pending->item->id);
            pending->tracks.source = std::move(source);
            startSystemSource(pending->tracks, pending->item->id);
        } catch (...) {
            pending->error = std::current_exception();
        }
        post([this, pending] { finishStart(pending); });
    });
}

void RecorderModel::finishStart(const std::shared_ptr<PendingStart>& pending) {
    if (pending != m_pendingStart) {
        return; // already settled by stop() or the destructor
    }
    m_pendingStart.reset();
    if (!pending->error) {
        adoptSession(pending->item->id, std::move(pending->tracks));
        emit startFinished();
        return;
    }
    pending->tracks = Tracks();
    undoStart(*pending->item);
    try {
        rethrowAsStartError(pending->error);
    } catch (const std::exception& error) {
        failStart(error);
    }
}

void RecorderModel::failStart(const std::exception& error) {
    m_pendingStart.reset();
    setPhase(Phase::idle);
    report(error);
    emit startFinished();
}

void RecorderModel::settlePendingStart() {
    if (!m_pendingStart) {
        return;
    }
    m_startWork.join();
    // Whatever it posted meanwhile is handled here, once: finishStart() ignores it later.
    auto pending = std::move(m_pendingStart);
    if (pending->tracks.source) {
        adoptSession(pending->item->id, std::move(pending->tracks));
    } else {
        pending->tracks = Tracks();
        if (pending->item) {
            undoStart(*pending->item);
        }
        setPhase(Phase::idle);
    }
}

void RecorderModel::undoStart(const LibraryItem& item) {
    m_library.setActiveRecordingID(std::nullopt);
    m_itemLock.reset(); // a recording's folder is never deleted while its lock is held
    try {
        m_library.store().deleteItem(item.id);
    } catch (const std::exception&) {
        // Left for the user to delete; the cause is reported instead.
    }
    m_library.reloadItems();
}

void RecorderModel::applyProgress(const Uuid& item, RecordingPipeline::Progress progress) {
    if (m_phase != Phase::recording || activeItemID() != item) {
        return;
    }
    setDuration(progress.duration);
    setLevel(progress.level);
}

void RecorderModel::pause() {
    if (m_phase != Phase::recording || !m_source || !m_pipeline) {
        return;
    }
    m_pipeline->setPaused(true);
    m_source->pause();
    if (m_systemSource) {
        m_systemPipeline->setPaused(true);
        m_systemSource->pause();
    }
    setLevel(0);
    setPhase(Phase::paused);
}

void RecorderModel::resume() {
    if (m_phase != Phase::paused || !m_source || !m_pipeline) {
        return;
    }
    try {
        m_source->resume();
    } catch (const std::exception&) {
        stopAfterProblem(microphoneMessage, std::optional<Uuid>(activeItemID()));
        return;
    }
    m_pipeline->setPaused(false);
    if (m_systemSource) {
        try {
            m_systemSource->resume();
        } catch (const std::exception&) {
            // This computer's sound follows once an output is back.
        }
        m_systemPipeline->setPaused(false);
    }
    setPhase(Phase::recording);
}

void RecorderModel::stop() {
    settlePendingStart();
    if (!m_source || !m_pipeline || !activeItemID()) {
        return;
    }
    m_source->stop();
    if (m_systemSource) {
        m_systemSource->stop();
    }
    const double end = monotonicSeconds();
    double duration = m_pipeline->finish(end);
    std::optional<TrackAlignment> measured;
    bool hasSecondTrack = false;
    if (m_systemPipeline) {
        const double systemDuration = m_systemPipeline->finish(end);
        measured = alignment();
        hasSecondTrack = m_systemPipeline->timelineReport()->receivedAudio;
        if (hasSecondTrack) {
            duration = std::max(duration, systemDuration);
        }
    }
    const Uuid id = *activeItemID();
    m_source.reset();
    m_pipeline.reset();
    m_systemSource.reset();
    m_systemPipeline.reset();
    m_library.setActiveRecordingID(std::nullopt);
    setDuration(duration);
    setLevel(0);
    setPhase(Phase::idle);
    // A second track that never heard anything (there was no output) is no track at all.
    m_library.finishRecording(id, duration, measured, hasSecondTrack);
    m_itemLock.reset();
}

// The second track's first capture and drift against the first's; none when either track
// never received a buffer with a capture time.
std::optional<TrackAlignment> RecorderModel::alignment() const {
    const auto microphone = m_pipeline->timelineReport();
    const auto system = m_systemPipeline->timelineReport();
    if (!microphone || !system || !system->firstCaptureTime) {
        return std::nullopt;
    }
    const double offset = microphone->firstCaptureTime
                              ? *system->firstCaptureTime - *microphone->firstCaptureTime
                              : 0;
    return TrackAlignment(offset, system->driftPpm - microphone->driftPpm);
}

void RecorderModel::stopAfterProblem(const std::string& message, const std::optional<Uuid>& item) {
    if ((m_phase != Phase::recording && m_phase != Phase::paused) || item != activeItemID()) {
        return;
    }
    stop();
    m_alerts.raise(stoppedTitle, message);
}

void RecorderModel::report(const std::exception& error) {
    const auto* recorderError = dynamic_cast<const RecorderError*>(&error);
    const auto kind = recorderError ? std::optional(recorderError->kind()) : std::nullopt;
    if (kind == RecorderError::Kind::microphoneDenied) {
        m_alerts.raise("Microphone access is off",
                       "Allow Brindlewick to use the microphone in System Settings › Privacy & "
                       "Security › Microphone, then try again.",
                       AppAlert::Action::openMicrophoneSettings);
    } else if (kind == RecorderError::Kind::noInputAvailable) {
        m_alerts.raise("No microphone available",
                       "Connect a microphone or choose another one, then try again.");
    } else {
        m_alerts.raise("The recording couldn't start", couldNotStartMessage(error.what()));
    }
}

void RecorderModel::setPhase(Phase phase) {
    if (phase != m_phase) {
        m_phase = phase;
        emit phaseChanged();
    }
}

void RecorderModel::setDuration(double duration) {
    if (duration != m_duration) {
        m_duration = duration;
        emit durationChanged();
    }
}

void RecorderModel::setLevel(float level) {
    if (level != m_level) {
        m_level = level;
        emit levelChanged();
    }
}

namespace {

void postToMainThread(std::function<void()> work) {
    if (auto* application = QCoreApplication::instance()) {
        QMetaObject::invokeMethod(application, std::move(work), Qt::QueuedConnection);
    }
}

// The default output's monitor as a recording's source.
class SystemAudioSource : public AudioInputSource {
public:
    explicit SystemAudioSource(std::function<void()> onUnavailable)
        : m_capture(postToMainThread), m_onUnavailable(std::move(onUnavailable)) {}

    void start(BufferCallback onBuffer, std::function<void()>) override {
        m_capture.start(std::move(onBuffer), m_onUnavailable);
    }
    void pause() override { m_capture.pause(); }
    void resume() override { m_capture.resume(); }
    void stop() override { m_capture.stop(); }

private:
    PulseSystemAudioCapture m_capture;
    std::function<void()> m_onUnavailable;
};

} // namespace

std::shared_ptr<AudioInputSource> makeSystemAudioSource(std::function<void()> onUnavailable) {
    return std::make_shared<SystemAudioSource>(std::move(onUnavailable));
}

std::shared_ptr<AudioInputSource>
makeSystemMicrophoneSource(const std::optional<AudioInputDevice>& device) {
    auto engine = std::make_unique<PulseMicrophoneEngine>(postToMainThread);
    auto uptime = [] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };
    return std::make_shared<MicrophoneSource>(device ? std::optional(device->id) : std::nullopt,
                                              std::move(engine), MicrophoneDevices::system(),
                                              uptime);
}

} // namespace bw
