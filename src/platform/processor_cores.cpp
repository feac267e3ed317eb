#include "platform/processor_cores.h"

#include <sched.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <utility>

namespace bw {

namespace {

// One number from a topology file of processor `cpu`, or -1.
long topologyValue(int cpu, const char* name) {
    std::ifstream file("/sys/devices/system/cpu/cpu" + std::to_string(cpu) + "/topology/" + name);
    long value = -1;
    return file >> value ? value : -1;
}

} // namespace

int physicalCoreCount() {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof(allowed), &allowed) != 0) {
        return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    }
    std::set<std::pair<long, long>> cores;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (!CPU_ISSET(cpu, &allowed)) {
            continue;
        }
        long package = topologyValue(cpu, "physical_package_id");
        long core = topologyValue(cpu, "core_id");
        if (package < 0 || core < 0) {
            return std::max(1, CPU_COUNT(&allowed));
        }
        cores.insert({package, core});
    }
    return std::max(1, static_cast<int>(cores.size()));
}

} // namespace bw
