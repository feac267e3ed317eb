// How many physical processor cores this process may run on: the processors in its affinity
// mask, with hardware threads of one core (hyper-threading siblings) counted once. Compute-bound
// work such as speech recognition gains nothing from a second thread on the same core, and on a
// busy machine extra threads only wait at barriers for each other.
#pragma once

#include <filesystem>
#include <vector>

namespace bw {

class ProcessorCores {
public:
    ProcessorCores() = delete;

    // The physical cores among the processors this process may use; at least 1.
    static int physicalCount();

    // The processors (hardware threads) this process may use; at least 1.
    static int availableCount();

    // The same count for the given processor numbers, with the topology read from `cpuFolder`
    // (normally /sys/devices/system/cpu). A processor whose package or core identifier cannot
    // be read counts as a core of its own; no processors count as 1.
    static int physicalCount(const std::vector<int>& processors,
                             const std::filesystem::path& cpuFolder);
};

} // namespace bw
