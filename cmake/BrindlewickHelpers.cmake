# One helper per kind of target: module libraries, test executables, and the shared
# warnings/sanitizer settings every target of ours links.

add_library(bw_warnings INTERFACE)
target_compile_options(bw_warnings INTERFACE -Wall -Wextra)
if(BW_WERROR)
    target_compile_options(bw_warnings INTERFACE -Werror)
endif()
if(BW_SANITIZE)
    target_compile_options(bw_warnings INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer)
    target_link_options(bw_warnings INTERFACE -fsanitize=address,undefined)
endif()

# bw_add_module(NAME SOURCES a.cpp ... DEPS target ...)
# Makes the static library bw_<NAME>; its headers are included as "<NAME>/header.h".
function(bw_add_module name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
    add_library(bw_${name} STATIC ${ARG_SOURCES})
    target_include_directories(bw_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(bw_${name} PUBLIC ${ARG_DEPS} PRIVATE bw_warnings ${ARG_PRIVATE_DEPS})
endfunction()

# bw_add_test(NAME [REAL_TIME] SOURCES a_test.cpp ... DEPS target ...)
# One GoogleTest executable per module; each case is registered with CTest. REAL_TIME cases
# time real audio through a sound server, so CTest runs each of them with no other test beside
# it: a test busy on both cores delays the feeder and the capture unevenly.
function(bw_add_test name)
    cmake_parse_arguments(ARG "REAL_TIME" "" "SOURCES;DEPS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} bw_warnings GTest::gtest GTest::gmock GTest::gtest_main)
    target_compile_definitions(${name} PRIVATE
        BW_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
        BW_BINARY_DIR="${PROJECT_BINARY_DIR}")
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "BW_SOURCE_DIR=${PROJECT_SOURCE_DIR}" RUN_SERIAL ${ARG_REAL_TIME})
endfunction()
