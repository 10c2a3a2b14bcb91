# The Linux backend (platform/linux, with the X11 and Wayland session kinds'
# parts in platform/x11 and platform/wayland), the native program and its
# tests under Xvfb and on a headless GNOME session.
find_package(PkgConfig REQUIRED)
pkg_check_modules(GTK3 REQUIRED IMPORTED_TARGET gtk+-3.0 x11)
# The screen on Wayland desktops: the ScreenCast portal (GIO) and PipeWire.
pkg_check_modules(WAYLAND_SCREEN REQUIRED IMPORTED_TARGET gio-unix-2.0 libpipewire-0.3)
# The screen on wlroots desktops and Hyprland: their capture protocols.
include(${CMAKE_SOURCE_DIR}/cmake/WaylandProtocols.cmake)
set(VELMORA_PROTOCOLS ${CMAKE_SOURCE_DIR}/platform/wayland/protocols)
velmora_wayland_protocols(velmora_wayland_protocols
  ${VELMORA_PROTOCOLS}/ext-image-capture-source-v1.xml
  ${VELMORA_PROTOCOLS}/ext-foreign-toplevel-list-v1.xml
  ${VELMORA_PROTOCOLS}/ext-image-copy-capture-v1.xml
  ${VELMORA_PROTOCOLS}/xdg-output-unstable-v1.xml
  ${VELMORA_PROTOCOLS}/ext-data-control-v1.xml)

file(GLOB LINUX_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/linux/*.cpp
  ${CMAKE_SOURCE_DIR}/platform/x11/*.cpp ${CMAKE_SOURCE_DIR}/platform/wayland/*.cpp)
# The icon compiled into the program (cmake/Icon.cmake).
add_library(velmora_linux STATIC ${LINUX_SOURCES} ${VELMORA_ICON_HEADER})
target_link_libraries(velmora_linux PUBLIC velmora_portable PkgConfig::GTK3
                      PkgConfig::WAYLAND_SCREEN velmora_wayland_protocols)

# The native program: build/linux/velmora.
add_executable(velmora ${CMAKE_SOURCE_DIR}/app/Velmora.cpp)
target_link_libraries(velmora PRIVATE velmora_linux)
# Every size of the icon, for the hicolor theme in the .deb.
add_dependencies(velmora velmora_icon)

add_subdirectory(${CMAKE_SOURCE_DIR}/tests/x11 ${CMAKE_BINARY_DIR}/tests/x11)
add_subdirectory(${CMAKE_SOURCE_DIR}/tests/wayland ${CMAKE_BINARY_DIR}/tests/wayland)
add_subdirectory(${CMAKE_SOURCE_DIR}/tests/wlroots ${CMAKE_BINARY_DIR}/tests/wlroots)
add_subdirectory(${CMAKE_SOURCE_DIR}/tests/bench/native ${CMAKE_BINARY_DIR}/tests/bench/native)
add_subdirectory(${CMAKE_SOURCE_DIR}/tests/bench/wayland ${CMAKE_BINARY_DIR}/tests/bench/wayland)
add_subdirectory(${CMAKE_SOURCE_DIR}/tests/bench/wlroots ${CMAKE_BINARY_DIR}/tests/bench/wlroots)
if(TARGET velmora)
  add_subdirectory(${CMAKE_SOURCE_DIR}/tests/e2e ${CMAKE_BINARY_DIR}/tests/e2e)
endif()

include(${CMAKE_SOURCE_DIR}/cmake/LinuxPackage.cmake)
