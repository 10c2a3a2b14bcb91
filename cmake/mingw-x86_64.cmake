# Cross-compiles the same Windows programs as 64-bit ones, for testing under a
# 64-bit-only Wine on machines that cannot run 32-bit code (scripts/wine-preset).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VELMORA_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
