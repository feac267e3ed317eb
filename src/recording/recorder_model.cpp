#include "recording/recorder_model.h"

#include "library/support_texts.h"
#include "platform/audio_input_error.h"
#include "platform/pulse_microphone_engine.h"
#include "recording/microphone_source.h"
#include "recording/recorder_error.h"
#include "recording/recording_title.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace bw {

namespace {

const char* const stoppedTitle = "The recording stopped";
const char* const diskMessage =
    "Brindlewick couldn't save more audio, possibly because the disk is full. Everything "
    "recorded up to that point is kept. Free up disk space before you record again.";
const char* const microphoneMessage =
    "The microphone was disconnected or changed. Everything recorded up to that point is kept. "
    "To continue, start a new recording.";

std::string couldNotStartMessage(const std::string& reason) {
    return "Check that the microphone is connected and this computer has enough free disk "
           "space, then try again. " +
           supportSentence() + " (" + reason + ")";
}

} // namespace

RecorderModel::RecorderModel(LibraryModel& library, MicrophoneAccess& access,
                             UserDefaults* defaults, ListDevices listDevices, MakeSource makeSource,
                             QObject* parent)
    : QObject(parent), m_library(library), m_access(access), m_defaults(defaults),
      m_listDevices(std::move(listDevices)), m_makeSource(std::move(makeSource)) {
    if (m_defaults) {
        m_selectedDeviceUID = m_defaults->string(deviceKey);
        if (m_selectedDeviceUID && m_selectedDeviceUID->empty()) {
            m_selectedDeviceUID.reset(); // how a removed choice is stored
        }
    }
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
    if (m_defaults) {
        // The store keeps strings only; an empty one stands for no choice.
        m_defaults->setString(deviceKey, uid.value_or(""));
    }
    emit selectedDeviceUIDChanged();
}

void RecorderModel::refreshDevices() {
    auto devices = m_listDevices();
    if (devices != m_devices) {
        m_devices = std::move(devices);
        emit devicesChanged();
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
        if (status == MicrophoneAccessStatus::denied ||
            (status == MicrophoneAccessStatus::undetermined && !m_access.request())) {
            throw RecorderError::microphoneDenied();
        }
        beginSession(m_library.beginRecording(recordingTitle(at), at));
    } catch (...) {
        setPhase(Phase::idle);
        throw;
    }
}

void RecorderModel::beginSession(LibraryModel::NewRecording recording) {
    const LibraryItem& item = recording.item;
    const Uuid id = item.id;
    m_itemLock = std::move(recording.lock);
    try {
        auto source = m_makeSource(selectedDevice());
        auto pipeline = std::make_unique<RecordingPipeline>(
            m_library.store().audioFileURL(item),
            [this, id](RecordingPipeline::Progress progress) {
                QMetaObject::invokeMethod(
                    this, [this, id, progress] { applyProgress(id, progress); },
                    Qt::QueuedConnection);
            },
            [this, id](std::exception_ptr) {
                QMetaObject::invokeMethod(
                    this, [this, id] { stopAfterProblem(diskMessage, id); }, Qt::QueuedConnection);
            });
        RecordingPipeline* receiver = pipeline.get();
        source->start([receiver](const CaptureBuffer& buffer) { receiver->receive(buffer); },
                      [this, id] {
                          QMetaObject::invokeMethod(
                              this, [this, id] { stopAfterProblem(microphoneMessage, id); },
                              Qt::QueuedConnection);
                      });
        m_source = std::move(source);
        m_pipeline = std::move(pipeline);
    } catch (const AudioInputError&) {
        undoStart(item);
        throw RecorderError::noInputAvailable();
    } catch (const std::exception& error) {
        undoStart(item);
        throw RecorderError::couldNotStart(error.what());
    }
    setActiveItemID(id);
    setDuration(0);
    setLevel(0);
    setPhase(Phase::recording);
}

void RecorderModel::undoStart(const LibraryItem& item) {
    m_library.setActiveRecordingID(std::nullopt);
    m_itemLock.reset(); // a recording's folder is never deleted while its lock is held
    try {
        m_library.store().deleteItem(item.id);
    } catch (const std::exception&) {
        // Left for the user to delete; the cause is reported instead.
    }
    m_library.setItems(m_library.store().loadItems());
    m_library.deselectIfHidden();
}

void RecorderModel::applyProgress(const Uuid& item, RecordingPipeline::Progress progress) {
    if (m_phase != Phase::recording || m_activeItemID != item) {
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
        stopAfterProblem(microphoneMessage, m_activeItemID);
        return;
    }
    m_pipeline->setPaused(false);
    setPhase(Phase::recording);
}

void RecorderModel::stop() {
    if (!m_source || !m_pipeline || !m_activeItemID) {
        return;
    }
    m_source->stop();
    const double duration = m_pipeline->finish();
    const Uuid id = *m_activeItemID;
    m_source.reset();
    m_pipeline.reset();
    setActiveItemID(std::nullopt);
    setDuration(duration);
    setLevel(0);
    setPhase(Phase::idle);
    m_library.finishRecording(id, duration);
    m_itemLock.reset();
}

void RecorderModel::stopAfterProblem(const std::string& message, const std::optional<Uuid>& item) {
    if ((m_phase != Phase::recording && m_phase != Phase::paused) || item != m_activeItemID) {
        return;
    }
    stop();
    m_library.setAlert(AppAlert::make(stoppedTitle, message));
}

void RecorderModel::report(const std::exception& error) {
    const auto* recorderError = dynamic_cast<const RecorderError*>(&error);
    const auto kind = recorderError ? std::optional(recorderError->kind()) : std::nullopt;
    if (kind == RecorderError::Kind::microphoneDenied) {
        m_library.setAlert(AppAlert::make(
            "Microphone access is off",
            "Allow Brindlewick to use the microphone in System Settings › Privacy & Security › "
            "Microphone, then try again.",
            AppAlert::Action::openMicrophoneSettings));
    } else if (kind == RecorderError::Kind::noInputAvailable) {
        m_library.setAlert(
            AppAlert::make("No microphone available",
                           "Connect a microphone or choose another one, then try again."));
    } else {
        m_library.setAlert(
            AppAlert::make("The recording couldn't start", couldNotStartMessage(error.what())));
    }
}

void RecorderModel::setPhase(Phase phase) {
    if (phase != m_phase) {
        m_phase = phase;
        emit phaseChanged();
    }
}

void RecorderModel::setActiveItemID(const std::optional<Uuid>& id) {
    if (id != m_activeItemID) {
        m_activeItemID = id;
        emit activeItemIDChanged();
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

std::shared_ptr<AudioInputSource>
makeSystemMicrophoneSource(const std::optional<AudioInputDevice>& device) {
    auto engine = std::make_unique<PulseMicrophoneEngine>([](std::function<void()> work) {
        if (auto* application = QCoreApplication::instance()) {
            QMetaObject::invokeMethod(application, std::move(work), Qt::QueuedConnection);
        }
    });
    auto uptime = [] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };
    return std::make_shared<MicrophoneSource>(device ? std::optional(device->id) : std::nullopt,
                                              std::move(engine), MicrophoneDevices::system(),
                                              uptime);
}

} // namespace bw
