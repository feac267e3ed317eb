# Third-party libraries: system packages installed by scripts/setup, and whisper.cpp's
# source unpacked by scripts/setup into third_party/ and built here as a subproject.

find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(nlohmann_json 3 REQUIRED)
find_package(ZLIB REQUIRED)
find_package(CURL REQUIRED)
find_package(OpenSSL REQUIRED)
find_package(ICU REQUIRED COMPONENTS uc i18n)
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET libavformat libavcodec libavutil libswresample
    libavfilter)
pkg_check_modules(SQLITE REQUIRED IMPORTED_TARGET sqlite3)
pkg_check_modules(PULSE REQUIRED IMPORTED_TARGET libpulse)
pkg_check_modules(SPEEXDSP REQUIRED IMPORTED_TARGET speexdsp)
find_package(Qt6 COMPONENTS Core Network Widgets)
if(BW_BUILD_TESTS)
    find_package(GTest REQUIRED)
    find_package(Qt6 COMPONENTS Test) # QSignalSpy and QTest's waits for model tests
endif()

set(BW_WHISPER_SOURCE ${PROJECT_SOURCE_DIR}/third_party/whisper.cpp)
# ggml's CPU back end is built for several x86-64 levels, each a module of its own, and the
# engine loads the best one the processor runs (src/whisper/compute_backends.cpp): nothing built
# here is tied to the processor it was built on. Back-end modules need ggml and whisper.cpp as
# shared libraries; our own modules stay static.
option(BW_VULKAN "Build whisper.cpp's Vulkan back end (needs libvulkan-dev and glslc)" ON)
set(BW_CPU_VARIANTS x64 sse42 haswell alderlake skylakex icelake zen4 CACHE STRING
    "The x86-64 levels ggml's CPU back end is built for (names from ggml's variant list)")
if(EXISTS ${BW_WHISPER_SOURCE}/CMakeLists.txt)
    set(BUILD_SHARED_LIBS ON CACHE BOOL "" FORCE)
    set(WHISPER_BUILD_TESTS OFF CACHE BOOL "" FORCE)
    set(WHISPER_BUILD_SERVER OFF CACHE BOOL "" FORCE)
    set(WHISPER_BUILD_EXAMPLES ${BW_WHISPER_CLI} CACHE BOOL "" FORCE)
    set(GGML_NATIVE OFF CACHE BOOL "" FORCE)
    set(GGML_BACKEND_DL ON CACHE BOOL "" FORCE)
    set(GGML_CPU_ALL_VARIANTS ON CACHE BOOL "" FORCE)
    set(GGML_CPU_VARIANTS ${BW_CPU_VARIANTS} CACHE STRING "" FORCE)
    set(GGML_OPENMP ON CACHE BOOL "" FORCE)
    # The GPU through Vulkan, a module of its own beside the CPU ones: loaded where a Vulkan
    # driver is installed, and the CPU used otherwise.
    set(GGML_VULKAN ${BW_VULKAN} CACHE BOOL "" FORCE)
    # llamafile's tiled kernels for the f16 products (the encoder's convolutions and the
    # decoder's attention), about 8 % faster overall than ggml's row-by-row dot products.
    set(GGML_LLAMAFILE ON CACHE BOOL "" FORCE)
    add_subdirectory(${BW_WHISPER_SOURCE} ${PROJECT_BINARY_DIR}/third_party/whisper.cpp EXCLUDE_FROM_ALL SYSTEM)
    # The encoder's self-attention runs through OpenBLAS's sgemm (see
    # scripts/whisper-patches/encoder-attention.patch), from ggml's threads at once: the
    # threaded build, whose buffer pool is safe for concurrent callers (the serial build's is
    # not), linked statically so that the alternative the system selects does not matter.
    # OpenBLAS picks its own kernels for the processor at run time.
    find_path(BW_OPENBLAS_INCLUDE cblas.h REQUIRED NO_DEFAULT_PATH
              PATHS /usr/include/${CMAKE_LIBRARY_ARCHITECTURE}/openblas-pthread)
    find_library(BW_OPENBLAS_LIBRARY libopenblas.a REQUIRED NO_DEFAULT_PATH
                 PATHS /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/openblas-pthread)
    target_include_directories(whisper SYSTEM PRIVATE ${BW_OPENBLAS_INCLUDE})
    target_compile_definitions(whisper PRIVATE WHISPER_USE_OPENBLAS)
    find_package(Threads REQUIRED)
    target_link_libraries(whisper PRIVATE ${BW_OPENBLAS_LIBRARY} Threads::Threads)
    # The back-end modules, one per CPU level and the GPU's: built with the program (the
    # engine cannot run without a CPU one), and found by the engine beside the executable.
    set(BW_GGML_MODULES)
    foreach(variant IN LISTS BW_CPU_VARIANTS)
        list(APPEND BW_GGML_MODULES ggml-cpu-${variant})
    endforeach()
    if(BW_VULKAN)
        list(APPEND BW_GGML_MODULES ggml-vulkan)
    endif()
    # Third-party code is not ours to fix: keep its compiler warnings out of our build log.
    foreach(target ggml ggml-base whisper ${BW_GGML_MODULES})
        target_compile_options(${target} PRIVATE -w)
    endforeach()
    # ggml's vector kernels at -O3 whatever the build type: at -O2 GCC leaves the accumulators
    # of its dot products on the stack, which made the f16 convolutions of the voice activity
    # detector about three times slower. Results are the same. Only this file: the whole of
    # ggml-cpu at -O3 crashes in its AMX matrix code on processors that have AMX.
    set_source_files_properties(${BW_WHISPER_SOURCE}/ggml/src/ggml-cpu/vec.cpp
        DIRECTORY ${BW_WHISPER_SOURCE}/ggml/src PROPERTIES COMPILE_OPTIONS -O3)
    # An install keeps whisper.cpp's libraries and the CPU modules private to the program in
    # lib/brindlewick, where the engine looks for the modules and the program's run path leads.
    # (whisper.cpp's headers and its own install rules, for developers, are outside the
    # brindlewick component.)
    set_target_properties(whisper ggml ggml-base ${BW_GGML_MODULES}
        PROPERTIES INSTALL_RPATH "\$ORIGIN")
    install(TARGETS whisper ggml ggml-base ${BW_GGML_MODULES}
        LIBRARY DESTINATION lib/brindlewick NAMELINK_SKIP COMPONENT brindlewick
        PUBLIC_HEADER DESTINATION include COMPONENT whisper-development)
endif()
