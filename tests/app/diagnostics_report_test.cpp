#include "app/diagnostics_document.h"
#include "app/diagnostics_report.h"
#include "base/duration_format.h"
#include "platform/file_error.h"
#include "platform/file_reading.h"

#include "support/temporary_folder.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>

namespace bw {
namespace {

using namespace std::chrono;
using test::TemporaryFolder;

std::filesystem::path golden(const std::string& name) {
    return std::filesystem::path(BW_SOURCE_DIR) / "tests/data" / name / "expected.txt";
}

void writeText(const std::filesystem::path& file, const std::string& text) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

void writeSized(const std::filesystem::path& file, std::uintmax_t bytes) {
    writeText(file, "");
    std::filesystem::resize_file(file, bytes);
}

LibraryItem item(double duration, LibraryItem::Origin origin, LibraryItem::State state) {
    LibraryItem item;
    item.id = Uuid::random();
    item.title = "Never in the report";
    item.duration = duration;
    item.origin = origin;
    item.state = state;
    return item;
}

// A computer laid out as Linux publishes it, a bundle without a release date and a models
// folder with a hidden entry, a large file and a folder.
class DiagnosticsExample : public ::testing::Test {
protected:
    DiagnosticsExample() {
        writeText(system / "sys/devices/virtual/dmi/id/product_name",
                  "ThinkPad X1 Carbon Gen 11\n");
        writeText(system / "proc/cpuinfo", "processor\t: 0\nvendor_id\t: GenuineIntel\n"
                                           "model name\t: 13th Gen Intel(R) Core(TM) i7-1365U\n"
                                           "\nprocessor\t: 1\nmodel name\t: Another\n");
        writeText(system / "etc/os-release",
                  "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n");
        writeText(system / "proc/sys/kernel/osrelease", "6.1.0-18-amd64\n");
        writeText(bundle / "Info.json",
                  R"({"CFBundleShortVersionString": "1.4.2", "CFBundleVersion": "142"})");
        writeSized(bundle / "Models/ggml-base.bin", 547'000'000);
        writeSized(bundle / "Models/ggml-silero-v6.2.0.bin", 885'098);
        writeSized(bundle / "Models/.hidden-cache", 4'000'000);
        writeSized(bundle / "Models/silero-folder/a.bin", 1'000'000);
        writeSized(bundle / "Models/silero-folder/.b", 500'000);
    }

    DiagnosticsReport collect(std::optional<std::filesystem::path> models) const {
        // 2025-03-07 23:30 at UTC-05:00 is already the 8th in UTC.
        const auto now = sys_days(2025y / March / 8) + 4h + 30min + 500ms;
        return DiagnosticsReport::collect(
            {item(60, LibraryItem::Origin::recorded, LibraryItem::State::complete),
             item(30.9, LibraryItem::Origin::dictated, LibraryItem::State::interrupted),
             item(10, LibraryItem::Origin::imported, LibraryItem::State::complete)},
            ResourceBundle(bundle), models, folder.path(), MicrophoneAccessStatus::granted, now,
            SystemInfo(system));
    }

    TemporaryFolder folder;
    std::filesystem::path system = folder / "system";
    std::filesystem::path bundle = folder / "bundle";
};

TEST_F(DiagnosticsExample, MatchesTheGoldenText) {
    DiagnosticsReport report = collect(bundle / "Models");
    EXPECT_GT(report.memoryBytes, 0u);
    EXPECT_TRUE(report.freeDiskBytes.has_value());
    EXPECT_TRUE(report.computeDevice.starts_with("CPU (")) << report.computeDevice;
    EXPECT_EQ(report.computeDevice.find("none loaded"), std::string::npos);
    // What this computer has varies; the text's arithmetic is checked with fixed figures.
    report.computeDevice = "CPU (alderlake)";
    report.memoryBytes = 16ull << 30;
    report.freeDiskBytes = 123'456'789'012;
    EXPECT_EQ(report.text(), readFile(golden("diagnostics_example")));
    EXPECT_EQ(report.suggestedFileName(), "Brindlewick-diagnostics-2025-03-08.txt");
}

TEST_F(DiagnosticsExample, ListsNoModelsWithoutAUsableFolder) {
    std::filesystem::create_directories(folder / "empty");
    for (const auto& models : std::vector<std::optional<std::filesystem::path>>{
             std::nullopt, folder / "missing", folder / "empty"}) {
        SCOPED_TRACE(models ? models->string() : "no folder");
        const std::string text = collect(models).text();
        EXPECT_NE(text.find("Models bundled in the app\n  none\n\nThis file"), std::string::npos)
            << text;
    }
}

// Whatever cannot be found is written as unknown, and the report is still whole.
TEST(DiagnosticsReport, WritesUnknownForWhatIsMissing) {
    TemporaryFolder folder;
    DiagnosticsReport report = DiagnosticsReport::collect(
        {}, ResourceBundle(std::nullopt), std::nullopt, folder / "no/such/library",
        MicrophoneAccessStatus::undetermined, sys_days(2025y / March / 7) + 9h + 15min + 2s,
        SystemInfo(folder / "nothing"));
    EXPECT_TRUE(report.freeDiskBytes.has_value()); // measured on the nearest existing folder
    report.computeDevice = "CPU (x64)";
    report.memoryBytes = 0;
    report.freeDiskBytes.reset();
    EXPECT_EQ(report.text(), readFile(golden("diagnostics_bare")));
}

// The window runs under the user's locale; the report's numbers keep their point under one that
// writes a comma (compiled here, since a test machine may have none installed).
TEST(DiagnosticsReport, WritesNumbersWithAPointUnderAnyLocale) {
    TemporaryFolder locales;
    const std::string compile =
        "localedef -i de_DE -f UTF-8 '" + (locales / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
    if (std::system(compile.c_str()) != 0) {
        GTEST_SKIP() << "localedef could not make a German locale";
    }
    ::setenv("LOCPATH", locales.path().c_str(), 1);
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    ASSERT_NE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"), nullptr);
    DiagnosticsReport report;
    report.memoryBytes = 17'200'000'000;
    report.freeDiskBytes = 512'340'000'000;
    report.modelFiles = {{"ggml-base.bin", 147'960'000}};
    const std::string text = report.text();
    std::setlocale(LC_NUMERIC, previous.c_str());
    ::unsetenv("LOCPATH");
    EXPECT_NE(text.find("  Memory: 17.2 GB\n  Free disk: 512.3 GB\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  ggml-base.bin: 148.0 MB\n"), std::string::npos) << text;
}

TEST(SystemInfo, ReadsLinuxFilesAsTheyComeAndNothingElse) {
    const struct {
        std::string file;
        std::string content;
        std::string name;
        std::optional<std::string> expected;
    } cases[] = {
        {"sys/devices/virtual/dmi/id/product_name", "Latitude 7440 \n", "hw.model",
         "Latitude 7440"},
        {"sys/devices/virtual/dmi/id/product_name", std::string("Box\0junk", 8), "hw.model", "Box"},
        {"sys/devices/virtual/dmi/id/product_name", "\n", "hw.model", std::nullopt},
        {"sys/devices/virtual/dmi/id/product_name", "Caf\xC3", "hw.model", "Caf\xEF\xBF\xBD"},
        {"proc/cpuinfo", "processor : 0\nmodel name :   AMD Ryzen 7 7840U  \n",
         "machdep.cpu.brand_string", "AMD Ryzen 7 7840U"},
        {"proc/cpuinfo", "processor : 0\nHardware : BCM2835\n", "machdep.cpu.brand_string",
         std::nullopt},
        {"proc/cpuinfo", "model name : x\n", "kern.hostname", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        TemporaryFolder root;
        writeText(root / c.file, c.content);
        EXPECT_EQ(SystemInfo(root.path()).sysctlString(c.name), c.expected);
    }
}

TEST(SystemInfo, NamesTheSystemFromOsRelease) {
    const struct {
        std::string osRelease;
        std::string expected;
    } cases[] = {
        {"PRETTY_NAME=\"Fedora Linux 40 (Workstation Edition)\"\n",
         "Fedora Linux 40 (Workstation Edition) (kernel 6.9.5)"},
        {"PRETTY_NAME='Arch \"rolling\"'\n", "Arch \"rolling\" (kernel 6.9.5)"},
        {"PRETTY_NAME=Alpine\\ Linux\n", "Alpine Linux (kernel 6.9.5)"},
        {"NAME=Gentoo\n", "Linux (kernel 6.9.5)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.osRelease);
        TemporaryFolder root;
        writeText(root / "usr/lib/os-release", c.osRelease);
        writeText(root / "proc/sys/kernel/osrelease", "6.9.5\n");
        EXPECT_EQ(SystemInfo(root.path()).operatingSystemVersion(), c.expected);
    }
}

TEST(DiagnosticsDocument, WritesTheTextAsItIsAndReadsItBackSafely) {
    TemporaryFolder folder;
    const DiagnosticsDocument document{"Brindlewick diagnostics\n  Chip: Čip ✓\n"};
    document.write(folder / "report.txt");
    EXPECT_EQ(readFile(folder / "report.txt"), document.text); // UTF-8, no byte-order mark
    EXPECT_EQ(DiagnosticsDocument::read(folder / "report.txt"), document);

    writeText(folder / "damaged.txt", "ok \xFF\xFE end");
    EXPECT_EQ(DiagnosticsDocument::read(folder / "damaged.txt").text,
              "ok \xEF\xBF\xBD\xEF\xBF\xBD end");

    EXPECT_THROW(document.write(folder / "missing/report.txt"), FileError);
    EXPECT_FALSE(std::filesystem::exists(folder / "missing"));
}

TEST(Formatting, DurationIsAClockOfWholeSeconds) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    const struct {
        double seconds;
        std::string expected;
    } cases[] = {{-5, "0:00"},        {nan, "0:00"},   {infinity, "0:00"}, {0.4, "0:00"},
                 {75.9, "1:15"},      {3599, "59:59"}, {3600, "1:00:00"},  {3725.5, "1:02:05"},
                 {36000, "10:00:00"}, {100.9, "1:40"}};
    for (const auto& c : cases) {
        EXPECT_EQ(Formatting::duration(c.seconds), c.expected) << c.seconds;
    }
}

} // namespace
} // namespace bw
