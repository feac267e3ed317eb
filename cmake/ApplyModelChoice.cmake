# Run as a script (cmake -DINFO=... -DCHOICE=... -P ApplyModelChoice.cmake): sets
# BWWhisperModelFile in the built Info.json to the Whisper model file named in CHOICE,
# which scripts/setup-models writes into the build folder after placing the models.
# Without that file Info.json keeps the committed value.
if(NOT EXISTS "${CHOICE}" OR NOT EXISTS "${INFO}")
    return()
endif()
file(STRINGS "${CHOICE}" name LIMIT_COUNT 1)
if(NOT name MATCHES "^[A-Za-z0-9._-]+\\.bin$")
    message(FATAL_ERROR "${CHOICE} does not name a model file: '${name}'")
endif()
file(READ "${INFO}" json)
string(JSON current ERROR_VARIABLE missing GET "${json}" BWWhisperModelFile)
if(NOT current STREQUAL name)
    string(JSON json SET "${json}" BWWhisperModelFile "\"${name}\"")
    file(WRITE "${INFO}" "${json}\n")
endif()
