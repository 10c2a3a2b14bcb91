# The Windows build: the Win32 backend, Velmora.exe and the tests run under Wine.
file(GLOB WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/win32/*.cpp)
add_library(velmora_win32 STATIC ${WIN32_SOURCES})
target_link_libraries(velmora_win32 PUBLIC velmora_portable
  user32 gdi32 shell32 comdlg32 comctl32 ole32 advapi32)

if(EXISTS ${CMAKE_SOURCE_DIR}/app/Velmora.cpp)
  add_executable(Velmora WIN32 app/Velmora.cpp)
  target_link_libraries(Velmora PRIVATE velmora_win32)
endif()

add_subdirectory(tests/wine)
add_subdirectory(tests/e2e)
