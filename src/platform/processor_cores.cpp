#include "platform/processor_cores.h"

#include <sched.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>

namespace bw {

namespace {

std::optional<long> readNumber(const std::filesystem::path& file) {
    std::ifstream in(file);
    long value = 0;
    if (in >> value) {
        return value;
    }
    return std::nullopt;
}

// The processors of this process's affinity mask; all the system reports if it cannot be read.
std::vector<int> allowedProcessors() {
    std::vector<int> processors;
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) == 0) {
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
            if (CPU_ISSET(cpu, &set)) {
                processors.push_back(cpu);
            }
        }
    }
    if (processors.empty()) {
        for (int cpu = 0; cpu < static_cast<int>(std::thread::hardware_concurrency()); ++cpu) {
            processors.push_back(cpu);
        }
    }
    return processors;
}

} // namespace

int ProcessorCores::availableCount() {
    return std::max(1, static_cast<int>(allowedProcessors().size()));
}

int ProcessorCores::physicalCount() {
    return physicalCount(allowedProcessors(), "/sys/devices/system/cpu");
}

int ProcessorCores::physicalCount(const std::vector<int>& processors,
                                  const std::filesystem::path& cpuFolder) {
    // A core is known by its package and its core number within the package; a processor
    // without readable topology gets a key no real core has, so it counts once by itself.
    std::set<std::pair<long, long>> cores;
    for (int cpu : processors) {
        auto topology = cpuFolder / ("cpu" + std::to_string(cpu)) / "topology";
        auto package = readNumber(topology / "physical_package_id");
        auto core = readNumber(topology / "core_id");
        if (package && core) {
            cores.insert({*package, *core});
        } else {
            cores.insert({-1, -1 - cpu});
        }
    }
    return cores.empty() ? 1 : static_cast<int>(cores.size());
}

} // namespace bw
