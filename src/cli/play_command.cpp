#include "cli/play_command.h"

#include "base/duration_format.h"
#include "cli/exit_code.h"
#include "cli/library_session.h"
#include "cli/progress_display.h"
#include "cli/quit_on_signal.h"
#include "library/playback_model.h"
#include "library/system_audio_file.h"
#include "platform/pulse_audio_player.h"
#include "platform/signal_cancellation.h"

#include <QEventLoop>

#include <cmath>
#include <iostream>

namespace bw::cli {

namespace {

double parseSeconds(const std::string& value) {
    auto seconds = parseNumber(value);
    if (!seconds || *seconds < 0) {
        throw UsageError("--from needs a number of seconds, 0 or more (got \"" + value + "\")");
    }
    return *seconds;
}

std::string positionNote(const PlaybackModel& model) {
    return Formatting::duration(model.currentTime()) + " / " +
           Formatting::duration(model.duration());
}

int runPlay(std::span<const std::string> arguments) {
    ArgumentParser parser("brindlewick play ITEM [--from SECONDS] [options]",
                          "Plays the audio of a recording of the library to its end, or until "
                          "Ctrl-C. ITEM is an identifier or a unique prefix of one.");
    parser.positionals("ITEM", "the recording", 1, 1)
        .option("--from", "SECONDS", "start this far into the recording (default: 0)");
    auto parsed = parseLibraryArguments(parser, arguments);
    if (parsed.helpRequested) {
        return exitDone;
    }
    const auto from = parsed.option("--from");
    const double start = from ? parseSeconds(*from) : 0.0;

    // Before any thread starts (the sound client's among them), so the watcher gets the signals.
    SignalCancellation cancellation;
    LibrarySession session(parsed);
    const auto item = session.model().item(session.resolveItem(parsed.positionals[0]));
    if (!item) {
        throw std::runtime_error("No recording matches “" + parsed.positionals[0] + "”.");
    }

    PlaybackModel player(PulseAudioPlayer::factory());
    const auto& store = session.model().store();
    player.load(store.audioFileURL(*item), systemAudioFileURL(store, *item));
    if (player.failed()) {
        std::cerr << "This audio can't be played.\n";
        return exitFailed;
    }
    if (start >= player.duration()) {
        std::cerr << "The recording is only " << Formatting::duration(player.duration())
                  << " long: nothing plays from " << Formatting::duration(start) << ".\n";
        return exitFailed;
    }
    player.seek(start);
    if (cancellation.cancelled()) {
        return exitCancelled;
    }
    player.togglePlayback();
    if (!player.isPlaying()) {
        std::cerr << "The audio couldn't be played: no sound output answered. Check that the "
                     "sound server (PipeWire or PulseAudio) is running.\n";
        return exitFailed;
    }

    const bool interactive = ProgressDisplay::standardErrorIsTerminal();
    {
        ProgressDisplay display(std::cerr, interactive);
        auto show = [&] {
            // On a terminal a bar; in a log one line a second is enough.
            const std::optional<double> fraction =
                interactive && player.duration() > 0
                    ? std::optional(player.currentTime() / player.duration())
                    : std::nullopt;
            display.update("Playing “" + item->title + "”", fraction, positionNote(player));
        };
        QEventLoop loop;
        QObject::connect(&player, &PlaybackModel::currentTimeChanged, &loop, show);
        QObject::connect(&player, &PlaybackModel::isPlayingChanged, &loop, [&] {
            if (!player.isPlaying()) {
                loop.quit();
            }
        });
        // Ctrl-C stops the player as quitting does, which ends the loop.
        QuitOnSignal quit(cancellation, {.player = &player});
        show();
        loop.exec();
        quit.run();
    }
    player.unload();
    return cancellation.cancelled() ? exitCancelled : exitDone;
}

} // namespace

Command playCommand() {
    return Command{"play", "play the audio of a recording", runPlay};
}

} // namespace bw::cli
