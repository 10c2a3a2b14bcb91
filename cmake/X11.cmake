# The X11 + GTK 3 backend, the native program and its tests under Xvfb.
find_package(PkgConfig REQUIRED)
pkg_check_modules(GTK3 REQUIRED IMPORTED_TARGET gtk+-3.0 x11)

file(GLOB X11_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/x11/*.cpp)
add_library(velmora_x11 STATIC ${X11_SOURCES} ${CMAKE_SOURCE_DIR}/platform/Platform.cpp
            ${CMAKE_SOURCE_DIR}/config/ProfileFile.cpp)
target_include_directories(velmora_x11 PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(velmora_x11 PUBLIC PkgConfig::GTK3)

add_subdirectory(${CMAKE_SOURCE_DIR}/tests/x11 ${CMAKE_BINARY_DIR}/tests/x11)
