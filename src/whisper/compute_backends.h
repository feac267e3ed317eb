// ggml's compute back ends for the whole process. The CPU back end ships built for several
// x86-64 levels, each a module beside the program; the best one this processor runs is loaded
// (or the one BRINDLEWICK_CPU_VARIANT names, when the processor runs it). The GPU back end, where
// the program carries one, is loaded only once something asks for the GPU: with the GPU turned
// off its driver is never touched. whisper.cpp's own vector kernels follow the CPU level loaded.
#pragma once

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

namespace bw {

class ComputeBackends {
public:
    // The environment variable naming a CPU level to load instead of the best one, for
    // measuring a lower level on a processor that runs a higher one ("haswell", "x64", ...).
    static constexpr const char* variantVariable = "BRINDLEWICK_CPU_VARIANT";

    // Loads the CPU back end the first time it is called in the process; later calls do
    // nothing. Thread-safe. Call before any whisper.cpp context is made: without a CPU back end
    // the library cannot run.
    static void loadOnce();

    // Loads the CPU back end and, the first time, the GPU one where the program carries it.
    static void loadGPUOnce();

    // Held while a whisper.cpp context is made: loading a module adds to ggml's list of
    // devices, which making a context reads.
    [[nodiscard]] static std::unique_lock<std::mutex> lockDevices();

    // The name of the CPU level loaded ("zen4", "haswell", "x64", ...); nothing before
    // loadOnce or when no CPU module could be loaded.
    static std::optional<std::string> cpuVariant();

    // The first GPU that a context asking for one would use, as "<back end> (<device>)";
    // nothing without one. Loads the GPU back end first.
    static std::optional<std::string> gpuDevice();

    // What a context runs on: the GPU device when `useGPU` and there is one, else
    // "CPU (<level>)". Loads the back ends first.
    static std::string deviceInUse(bool useGPU);

    // The folder searched for back-end modules: the executable's own when it holds any (a
    // build tree), else lib/brindlewick beside its bin/ (an install).
    static std::filesystem::path moduleDirectory();
};

} // namespace bw
