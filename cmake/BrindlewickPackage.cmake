# The Debian package built by scripts/package: what `cmake --install --component brindlewick`
# puts under /usr (the program, its private libraries, the resources with the bundled models,
# the desktop entry and icon), with the Debian copyright and changelog files. Run-time
# dependencies come from dpkg-shlibdeps, plus what the program loads without linking it.

include(GNUInstallDirs)
set(BW_PACKAGE_DOCS ${PROJECT_BINARY_DIR}/package-docs)
add_custom_command(OUTPUT ${BW_PACKAGE_DOCS}/changelog.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${BW_PACKAGE_DOCS}
    COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/packaging/changelog > ${BW_PACKAGE_DOCS}/changelog.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog)
add_custom_target(bw_package_docs ALL DEPENDS ${BW_PACKAGE_DOCS}/changelog.gz)
install(FILES ${BW_PACKAGE_DOCS}/changelog.gz ${PROJECT_SOURCE_DIR}/packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/brindlewick COMPONENT brindlewick)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brindlewick)
set(CPACK_PACKAGE_VENDOR Brindlewick)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Brindlewick <support@brindlewick.app>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "speech recorder that transcribes on this computer")
set(CPACK_PACKAGE_DESCRIPTION
    "Brindlewick records speech from the microphone (and this computer's sound),\n"
    "keeps a private library of recordings, transcribes them on this computer\n"
    "with whisper.cpp and exports transcripts as text, SubRip subtitles or Word\n"
    "documents. Nothing leaves the computer. The speech models are included.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};brindlewick;/")
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/package)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://brindlewick.app)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window's platform plugin and SVG icon support are plugins Qt loads at run time; a sound
# server answers the PulseAudio client library.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

# The package as a user gets it: built, unpacked into an empty root and run from there, and
# checked by lintian (scripts/test-package).
if(BW_BUILD_TESTS)
    add_test(NAME package COMMAND ${PROJECT_SOURCE_DIR}/scripts/test-package)
    set_tests_properties(package PROPERTIES LABELS package RUN_SERIAL ON
        ENVIRONMENT "BW_BUILD_DIR=${PROJECT_BINARY_DIR}")
endif()
