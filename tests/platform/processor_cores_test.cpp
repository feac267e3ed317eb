#include "platform/processor_cores.h"

#include "../support/readable_param_name.h"
#include "../support/temporary_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace bw {
namespace {

// One processor of a fake /sys/devices/system/cpu: its package and core, or no topology.
struct FakeProcessor {
    int number;
    std::optional<int> package;
    std::optional<int> core;
};

struct CoreCase {
    std::string name;
    std::vector<FakeProcessor> processors;
    std::vector<int> allowed;
    int expected;
};

void PrintTo(const CoreCase& c, std::ostream* out) {
    *out << c.name;
}

class ProcessorCoresTest : public testing::TestWithParam<CoreCase> {};

TEST_P(ProcessorCoresTest, CountsEachPhysicalCoreOfTheAllowedProcessorsOnce) {
    test::TemporaryFolder folder;
    for (const auto& processor : GetParam().processors) {
        auto topology = folder.path() / ("cpu" + std::to_string(processor.number)) / "topology";
        std::filesystem::create_directories(topology);
        if (processor.package) {
            std::ofstream(topology / "physical_package_id") << *processor.package << '\n';
        }
        if (processor.core) {
            std::ofstream(topology / "core_id") << *processor.core << '\n';
        }
    }
    EXPECT_EQ(ProcessorCores::physicalCount(GetParam().allowed, folder.path()),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Topologies, ProcessorCoresTest,
    testing::Values(
        CoreCase{"separate cores", {{0, 0, 0}, {1, 0, 1}}, {0, 1}, 2},
        CoreCase{
            "two threads per core", {{0, 0, 0}, {1, 0, 1}, {2, 0, 0}, {3, 0, 1}}, {0, 1, 2, 3}, 2},
        CoreCase{"same core number in two packages", {{0, 0, 0}, {1, 1, 0}}, {0, 1}, 2},
        CoreCase{
            "affinity leaves out a core", {{0, 0, 0}, {1, 0, 1}, {2, 0, 2}, {3, 0, 3}}, {1, 3}, 2},
        CoreCase{"no readable topology", {{0, 0, std::nullopt}}, {0, 1, 2}, 3},
        CoreCase{"no processors", {}, {}, 1}),
    test::ReadableParamName());

TEST(ProcessorCoresLiveTest, CountsBetweenOneAndTheAvailableProcessors) {
    int count = ProcessorCores::physicalCount();
    EXPECT_GE(count, 1);
    EXPECT_GE(ProcessorCores::availableCount(), count);
    EXPECT_LE(ProcessorCores::availableCount(),
              static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
}

} // namespace
} // namespace bw
