# Cross-compiles a 32-bit Windows program with mingw-w64 from Linux: Velmora.exe as it ships.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VELMORA_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
