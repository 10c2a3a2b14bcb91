# What every mingw-w64 cross build of Velmora shares; the including
# toolchain file sets VELMORA_MINGW_TRIPLE first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${VELMORA_MINGW_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${VELMORA_MINGW_TRIPLE}-g++)
set(CMAKE_RC_COMPILER ${VELMORA_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VELMORA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Every function and datum in a section of its own, so that the linker can
# drop what the program does not use (--gc-sections in cmake/Windows.cmake).
set(CMAKE_C_FLAGS_INIT "-ffunction-sections -fdata-sections")
set(CMAKE_CXX_FLAGS_INIT "-ffunction-sections -fdata-sections")
# Static runtime: the exe imports only system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Windows programs run under Wine on a shared virtual display (see tests/wine).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/wine/wine-run.sh)
