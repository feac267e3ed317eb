#include "whisper/compute_backends.h"

#include "whisper/whisper_cpp_logging.h"

#include <ggml-backend.h>

#include <dlfcn.h>

#include <cstdlib>
#include <mutex>
#include <vector>

namespace bw {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view cpuModulePrefix = "libggml-cpu-";
constexpr std::string_view moduleSuffix = ".so";
constexpr std::string_view gpuModuleName = "libggml-vulkan.so";

// The CPU modules in a folder, one per x86-64 level the build made.
std::vector<fs::path> cpuModulesIn(const fs::path& folder) {
    std::vector<fs::path> modules;
    std::error_code code;
    for (fs::directory_iterator entry(folder, code), end; !code && entry != end;
         entry.increment(code)) {
        const std::string name = entry->path().filename().string();
        if (name.starts_with(cpuModulePrefix) && name.ends_with(moduleSuffix)) {
            modules.push_back(entry->path());
        }
    }
    return modules;
}

// The file a function of a loaded module lives in, from the dynamic linker.
std::optional<fs::path> moduleFileOf(void* function) {
    Dl_info info{};
    if (function == nullptr || dladdr(function, &info) == 0 || info.dli_fname == nullptr) {
        return std::nullopt;
    }
    return fs::path(info.dli_fname);
}

std::mutex& devicesMutex() {
    static std::mutex mutex;
    return mutex;
}

// The score ggml's CPU module gives this processor: 0 where it cannot run the module's code.
int cpuModuleScore(const fs::path& module) {
    void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        return 0;
    }
    using ScoreFunction = int (*)();
    auto score = reinterpret_cast<ScoreFunction>(dlsym(handle, "ggml_backend_score"));
    const int value = score != nullptr ? score() : 0;
    dlclose(handle);
    return value;
}

// The CPU module this processor runs best, as ggml's own search would choose it, but without
// loading any other back end beside it.
std::optional<fs::path> bestCpuModule(const fs::path& folder) {
    std::optional<fs::path> best;
    int bestScore = 0;
    for (const fs::path& module : cpuModulesIn(folder)) {
        if (const int score = cpuModuleScore(module); score > bestScore) {
            best = module;
            bestScore = score;
        }
    }
    return best;
}

void loadCpu() {
    const fs::path folder = ComputeBackends::moduleDirectory();
    // ggml refuses a module the processor cannot run; the best one is loaded then instead.
    if (const char* forced = std::getenv(ComputeBackends::variantVariable);
        forced != nullptr && forced[0] != '\0') {
        const fs::path module =
            folder / (std::string(cpuModulePrefix) + forced + std::string(moduleSuffix));
        if (ggml_backend_load(module.c_str()) != nullptr) {
            return;
        }
    }
    if (const auto best = bestCpuModule(folder)) {
        ggml_backend_load(best->c_str());
    }
}

void loadGpu() {
    const fs::path module = ComputeBackends::moduleDirectory() / gpuModuleName;
    std::error_code code;
    if (fs::exists(module, code)) {
        ggml_backend_load(module.c_str());
    }
}

bool cpuLoaded = false;
bool gpuLoaded = false;

} // namespace

void ComputeBackends::loadOnce() {
    auto lock = lockDevices();
    if (!cpuLoaded) {
        WhisperCppLogging::installOnce(); // ggml reports every module it loads
        loadCpu();
        cpuLoaded = true;
    }
}

void ComputeBackends::loadGPUOnce() {
    loadOnce();
    auto lock = lockDevices();
    if (!gpuLoaded) {
        loadGpu();
        gpuLoaded = true;
    }
}

std::unique_lock<std::mutex> ComputeBackends::lockDevices() {
    return std::unique_lock(devicesMutex());
}

fs::path ComputeBackends::moduleDirectory() {
    std::error_code code;
    const fs::path executable = fs::read_symlink("/proc/self/exe", code);
    if (code) {
        return fs::current_path(code);
    }
    const fs::path own = executable.parent_path();
    if (!cpuModulesIn(own).empty()) {
        return own;
    }
    return own.parent_path() / "lib" / "brindlewick";
}

std::optional<std::string> ComputeBackends::cpuVariant() {
    auto lock = lockDevices();
    ggml_backend_dev_t device = ggml_backend_dev_by_type(GGML_BACKEND_DEVICE_TYPE_CPU);
    if (device == nullptr) {
        return std::nullopt;
    }
    ggml_backend_reg_t reg = ggml_backend_dev_backend_reg(device);
    const auto file =
        moduleFileOf(ggml_backend_reg_get_proc_address(reg, "ggml_backend_get_features"));
    if (!file) {
        return std::nullopt;
    }
    std::string name = file->filename().string();
    if (!name.starts_with(cpuModulePrefix) || !name.ends_with(moduleSuffix)) {
        return std::nullopt;
    }
    return name.substr(cpuModulePrefix.size(),
                       name.size() - cpuModulePrefix.size() - moduleSuffix.size());
}

std::optional<std::string> ComputeBackends::gpuDevice() {
    loadGPUOnce();
    auto lock = lockDevices();
    for (size_t i = 0; i < ggml_backend_dev_count(); ++i) {
        ggml_backend_dev_t device = ggml_backend_dev_get(i);
        const auto type = ggml_backend_dev_type(device);
        if (type == GGML_BACKEND_DEVICE_TYPE_GPU || type == GGML_BACKEND_DEVICE_TYPE_IGPU) {
            return std::string(ggml_backend_reg_name(ggml_backend_dev_backend_reg(device))) + " (" +
                   ggml_backend_dev_description(device) + ")";
        }
    }
    return std::nullopt;
}

std::string ComputeBackends::deviceInUse(bool useGPU) {
    loadOnce();
    if (useGPU) {
        if (auto gpu = gpuDevice()) {
            return *gpu;
        }
    }
    return "CPU (" + cpuVariant().value_or("none loaded") + ")";
}

} // namespace bw
