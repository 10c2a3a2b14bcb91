# The Windows build: the Win32 backend, Velmora.exe with its resources, and
# the tests that run under Wine.
enable_language(RC)

file(GLOB WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/win32/*.cpp)
add_library(velmora_win32 STATIC ${WIN32_SOURCES})
# comdlg32 and comctl32 are loaded on first use (win32_libraries.cpp): not
# imported, so start-up does not wait for them.
target_link_libraries(velmora_win32 PUBLIC velmora_portable
  user32 gdi32 shell32 ole32 advapi32)

# Resources: the manifest (common controls 6, per-monitor DPI awareness) goes
# into every Windows program we build, the icon (cmake/Icon.cmake) and the
# version record into Velmora.exe.
set(VELMORA_RES_SOURCE ${CMAKE_SOURCE_DIR}/platform/win32/res)
set(VELMORA_RES ${CMAKE_BINARY_DIR}/res)
set(VELMORA_MANIFEST ${VELMORA_RES}/Velmora.manifest)
configure_file(${VELMORA_RES_SOURCE}/Velmora.manifest ${VELMORA_MANIFEST} @ONLY)
configure_file(${VELMORA_RES_SOURCE}/manifest.rc.in ${VELMORA_RES}/manifest.rc @ONLY)
configure_file(${VELMORA_RES_SOURCE}/Velmora.rc.in ${VELMORA_RES}/Velmora.rc @ONLY)
set_source_files_properties(${VELMORA_RES}/manifest.rc PROPERTIES OBJECT_DEPENDS ${VELMORA_MANIFEST})
set_source_files_properties(${VELMORA_RES}/Velmora.rc PROPERTIES OBJECT_DEPENDS
  "${VELMORA_ICO};${VELMORA_RES_SOURCE}/Resources.h")
add_library(velmora_manifest OBJECT ${VELMORA_RES}/manifest.rc)

add_executable(Velmora WIN32 app/Velmora.cpp ${VELMORA_RES}/Velmora.rc
  $<TARGET_OBJECTS:velmora_manifest>)
target_link_libraries(Velmora PRIVATE velmora_win32)
add_dependencies(Velmora velmora_icon)
# Small: unused sections dropped (the toolchain puts each function in its
# own), no symbols.
if(MSVC)
  # main() as the entry of a GUI program; the manifest comes from our resources.
  target_link_options(Velmora PRIVATE /ENTRY:mainCRTStartup /MANIFEST:NO)
  set_property(TARGET Velmora velmora_portable velmora_win32 PROPERTY
    MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
else()
  target_link_options(Velmora PRIVATE -Wl,--gc-sections -s)
endif()

# Built from Linux: the zip and the installer, and the tests, which run the
# Windows programs under Wine.
if(CMAKE_CROSSCOMPILING)
  include(cmake/WindowsDist.cmake)
  add_subdirectory(tests/wine)
  add_subdirectory(tests/e2e)
  add_subdirectory(tests/dist)
  add_subdirectory(tests/bench)
  # The icon as Velmora.exe holds it: every size in its first icon group.
  add_test(NAME icon.exe_resource COMMAND ${CMAKE_SOURCE_DIR}/tests/dist/test-exe-icon.sh
           $<TARGET_FILE:Velmora>)
endif()
