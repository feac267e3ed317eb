// The recording state machine behind the record, pause, resume and stop controls, the status
// and the level meter. It owns the microphone choice (remembered in the settings,
// AppSettings::inputDeviceUID), checks microphone access, has the library create the new item,
// wires a microphone source to a recording pipeline, publishes the running duration and level,
// and ends the recording on request or after a problem, always leaving the audio recorded so far
// in the library. Problems during a recording become an alert in the shared AlertCentre.
//
// With "Also Record This Computer's Sound" on (remembered in the settings too) and a
// source of this computer's sound, a recording has a second track, "system.caf", started and
// stopped with the microphone; both tracks are then placed on one timeline (track_timeline.h),
// and what the alignment measured is saved with the item. Without an output to record from, the
// recording goes on with the microphone alone and systemAudioUnavailable() says so, once.
//
// While it records, the model holds the item's ".recording.lock", so that another process that
// opens the library leaves the recording alone; the lock goes when the item is finished.
//
// Lives on the main thread; the source's and the pipeline's callbacks hop there. requestStart()
// runs the sound server's checks and the stream's start on a thread of its own, so that the
// window never waits for the sound server.
#pragma once

#include "async/background_work.h"
#include "base/uuid.h"
#include "library/library_model.h"
#include "library/library_navigation.h"
#include "platform/audio_input_device.h"
#include "platform/file_lock.h"
#include "platform/microphone_access.h"
#include "platform/user_defaults.h"
#include "recording/audio_input_source.h"
#include "recording/recording_pipeline.h"

#include <QObject>

#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace bw {

class RecorderModel : public QObject {
    Q_OBJECT

public:
    enum class Phase { idle, starting, recording, paused };

    using ListDevices = std::function<std::vector<AudioInputDevice>()>;
    using MakeSource =
        std::function<std::shared_ptr<AudioInputSource>(const std::optional<AudioInputDevice>&)>;
    // A source of this computer's sound; `onUnavailable` may be called on any thread, at most
    // once, when there is no output to record from.
    using MakeSystemSource =
        std::function<std::shared_ptr<AudioInputSource>(std::function<void()> onUnavailable)>;
    using TimePoint = std::chrono::system_clock::time_point;

    static constexpr const char* systemAudioUnavailableTitle =
        "This computer's sound isn't being recorded";
    static constexpr const char* systemAudioUnavailableMessage =
        "No sound output was found, so only the microphone is recorded. Connect speakers or "
        "headphones to record this computer's sound in the next recording.";

    // `library`, `navigation`, `alerts`, `access` and `defaults` are not owned and must outlive
    // the model; `defaults` may be null (the choice is then not remembered). A new recording
    // goes to the group shown and is selected.
    RecorderModel(LibraryModel& library, LibraryNavigation& navigation, AlertCentre& alerts,
                  MicrophoneAccess& access, UserDefaults* defaults, ListDevices listDevices,
                  MakeSource makeSource, QObject* parent = nullptr);
    // Stops a recording still running, so that its file is closed and its item finished.
    ~RecorderModel() override;

    Phase phase() const { return m_phase; }
    // Recording or paused: a recording is under way and Stop finishes it.
    bool isRecording() const { return m_phase == Phase::recording || m_phase == Phase::paused; }
    // The recording in progress, from the moment the library lists it (while it starts) until
    // it is finished: the library's own, so that everyone sees one recording in progress.
    const std::optional<Uuid>& activeItemID() const;
    double duration() const { return m_duration; }
    float level() const { return m_level; }
    const std::vector<AudioInputDevice>& devices() const { return m_devices; }
    const std::optional<std::string>& selectedDeviceUID() const { return m_selectedDeviceUID; }
    // The chosen device if it is in `devices`; none means the default input.
    std::optional<AudioInputDevice> selectedDevice() const;

    void setSelectedDeviceUID(const std::optional<std::string>& uid);
    void refreshDevices();

    // Where this computer's sound comes from; without one (the default) nothing offers it.
    void setMakeSystemSource(MakeSystemSource make);
    bool canRecordSystemAudio() const { return bool(m_makeSystemSource); }
    // "Also Record This Computer's Sound": whether new recordings get the second track.
    bool recordsSystemAudio() const { return m_recordsSystemAudio; }
    void setRecordsSystemAudio(bool on);

    // Starts recording. Throws RecorderError (the phase is idle again then), or the library's
    // error from creating the item.
    void start(TimePoint at);
    // Starts recording without waiting: the phase is `starting` at once, the device list, the
    // microphone access and the stream's start are dealt with away from the main thread, and
    // startFinished() follows on the main thread, with the phase `recording`, or `idle` and the
    // failure as an alert. Does nothing unless idle. stop() and the destructor wait
    // for a start in progress and finish what it recorded.
    void requestStart(TimePoint at);
    void pause();
    void resume();
    void stop();
    // Turns an error from start() into an alert.
    void report(const std::exception& error);

signals:
    void phaseChanged();
    void activeItemIDChanged();
    void durationChanged();
    void levelChanged();
    void devicesChanged();
    void selectedDeviceUIDChanged();
    void recordsSystemAudioChanged();
    // The recording under way goes on without this computer's sound (said once per recording).
    void systemAudioUnavailable();
    // A requestStart() has ended, successfully or not.
    void startFinished();

private:
    void setPhase(Phase phase);
    void setDuration(double duration);
    void setLevel(float level);
    struct PendingStart;

    void setDevices(std::vector<AudioInputDevice> devices);
    void checkAccess(MicrophoneAccessStatus status, bool requestGranted) const;
    struct Tracks;

    LibraryModel::NewRecording addItem(TimePoint at);
    void beginSession(LibraryModel::NewRecording recording);
    Tracks makeTracks(const LibraryItem& item);
    std::unique_ptr<RecordingPipeline> makePipeline(const std::filesystem::path& file,
                                                    const Uuid& id, bool reportsProgress,
                                                    std::optional<double> timelineOrigin);
    // Any thread: starts the source into the pipeline; its callbacks hop to the main thread.
    void startSource(AudioInputSource& source, RecordingPipeline& pipeline, const Uuid& id);
    // Any thread: starts this computer's sound into the second track; never fails (a source
    // that cannot start is reported as unavailable).
    void startSystemSource(Tracks& tracks, const Uuid& id);
    void adoptSession(const Uuid& id, Tracks tracks);
    std::optional<TrackAlignment> alignment() const;
    void continueStart(TimePoint at, std::vector<AudioInputDevice> devices,
                       std::exception_ptr accessProblem);
    void finishStart(const std::shared_ptr<PendingStart>& pending);
    void failStart(const std::exception& error);
    void settlePendingStart();
    void undoStart(const LibraryItem& item);
    void applyProgress(const Uuid& item, RecordingPipeline::Progress progress);
    void stopAfterProblem(const std::string& message, const std::optional<Uuid>& item);

    LibraryModel& m_library;
    LibraryNavigation& m_navigation;
    AlertCentre& m_alerts;
    MicrophoneAccess& m_access;
    UserDefaults* m_defaults;
    ListDevices m_listDevices;
    MakeSource m_makeSource;
    Phase m_phase = Phase::idle;
    double m_duration = 0;
    float m_level = 0;
    std::vector<AudioInputDevice> m_devices;
    std::optional<std::string> m_selectedDeviceUID;
    MakeSystemSource m_makeSystemSource;
    bool m_recordsSystemAudio = false;
    std::shared_ptr<AudioInputSource> m_source;
    std::unique_ptr<RecordingPipeline> m_pipeline;
    std::shared_ptr<AudioInputSource> m_systemSource;
    std::unique_ptr<RecordingPipeline> m_systemPipeline;
    std::optional<FileLock> m_itemLock;
    std::shared_ptr<PendingStart> m_pendingStart;
    // Last, so that it is joined before the members its work uses go.
    BackgroundWork m_startWork{this};
};

// The sound server's microphone for a recording: a MicrophoneSource over a PulseAudio engine on
// the device (or the default input), reporting configuration changes on the main thread.
std::shared_ptr<AudioInputSource>
makeSystemMicrophoneSource(const std::optional<AudioInputDevice>& device);

// The sound server's default output's monitor, followed as the default changes.
std::shared_ptr<AudioInputSource> makeSystemAudioSource(std::function<void()> onUnavailable);

} // namespace bw
