# Client code of Wayland protocols, made by wayland-scanner at build time from
# the definitions in platform/wayland/protocols (kept in the tree: Debian 12's
# wayland-protocols predates the capture and data-control protocols).
find_program(WAYLAND_SCANNER wayland-scanner REQUIRED)
pkg_check_modules(WAYLAND_CLIENT REQUIRED IMPORTED_TARGET wayland-client)

# velmora_wayland_protocols(TARGET XML...): a static library TARGET of the
# protocols' client code, its headers (NAME-client-protocol.h) on its include path.
function(velmora_wayland_protocols target)
  set(out ${CMAKE_BINARY_DIR}/generated/wayland)
  file(MAKE_DIRECTORY ${out})
  set(sources)
  foreach(xml IN LISTS ARGN)
    get_filename_component(name ${xml} NAME_WE)
    add_custom_command(OUTPUT ${out}/${name}-client-protocol.h ${out}/${name}-protocol.c
      COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${out}/${name}-client-protocol.h
      COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${out}/${name}-protocol.c
      DEPENDS ${xml} VERBATIM)
    list(APPEND sources ${out}/${name}-client-protocol.h ${out}/${name}-protocol.c)
  endforeach()
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${out})
  target_link_libraries(${target} PUBLIC PkgConfig::WAYLAND_CLIENT)
endfunction()
