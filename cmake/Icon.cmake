# Velmora's icon, rendered from the hand-drawn SVGs in platform/res at build
# time: PNGs of every size the two systems ask for in res/icons/, and for the
# Windows builds res/Velmora.ico. velmora-small.svg (a 16 px drawing) is used
# up to 24 px, velmora.svg above. rsvg-convert and icotool write no time
# stamps, and the drawings hold no text, so the files come out the same on
# every build.
find_program(VELMORA_RSVG_CONVERT rsvg-convert)
if(NOT VELMORA_RSVG_CONVERT)
  message(FATAL_ERROR "rsvg-convert (Debian: librsvg2-bin) is needed to render the icon")
endif()

set(VELMORA_ICON_SOURCE ${CMAKE_SOURCE_DIR}/platform/res)
set(VELMORA_ICON_DIR ${CMAKE_BINARY_DIR}/res/icons)
file(MAKE_DIRECTORY ${VELMORA_ICON_DIR})

# res/icons/velmora-SIZE.png for each SIZE; its path in VELMORA_ICON_<SIZE>.
function(velmora_icon_png size)
  if(size LESS_EQUAL 24)
    set(svg ${VELMORA_ICON_SOURCE}/velmora-small.svg)
  else()
    set(svg ${VELMORA_ICON_SOURCE}/velmora.svg)
  endif()
  set(png ${VELMORA_ICON_DIR}/velmora-${size}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${VELMORA_RSVG_CONVERT} --width ${size} --height ${size} --format png
            --output ${png} ${svg}
    DEPENDS ${svg}
    COMMENT "Rendering the ${size} px icon" VERBATIM)
  set(VELMORA_ICON_${size} ${png} PARENT_SCOPE)
endfunction()

if(WIN32)
  # Explorer, the task bar and Alt+Tab at 100 to 200 %: 16 to 64 px, and
  # 256 px for the large views.
  set(VELMORA_ICON_SIZES 16 20 24 32 40 48 64 256)
else()
  # hicolor's usual sizes.
  set(VELMORA_ICON_SIZES 16 22 24 32 48 64 128 256)
endif()
set(VELMORA_ICON_PNGS)
foreach(size ${VELMORA_ICON_SIZES})
  velmora_icon_png(${size})
  list(APPEND VELMORA_ICON_PNGS ${VELMORA_ICON_${size}})
endforeach()

if(WIN32)
  find_program(VELMORA_ICOTOOL icotool)
  if(NOT VELMORA_ICOTOOL)
    message(FATAL_ERROR "icotool (Debian: icoutils) is needed to build Velmora.ico")
  endif()
  # Up to 48 px as bitmaps (what every version of Windows reads); 64 and
  # 256 px as PNG, which Windows reads since Vista, to keep the exe small.
  set(VELMORA_ICO ${CMAKE_BINARY_DIR}/res/Velmora.ico)
  set(bitmaps)
  foreach(size 16 20 24 32 40 48)
    list(APPEND bitmaps ${VELMORA_ICON_${size}})
  endforeach()
  add_custom_command(OUTPUT ${VELMORA_ICO}
    COMMAND ${VELMORA_ICOTOOL} --create --output=${VELMORA_ICO} ${bitmaps}
            --raw=${VELMORA_ICON_64} --raw=${VELMORA_ICON_256}
    DEPENDS ${VELMORA_ICON_PNGS}
    COMMENT "Building Velmora.ico" VERBATIM)
  add_custom_target(velmora_icon DEPENDS ${VELMORA_ICO})
else()
  # The PNGs for the hicolor theme (scripts/make-deb.sh), and the program's
  # own copy of the icon: a header of PNG bytes for the window's icon where
  # the icon theme has none (a build run from its folder).
  set(VELMORA_ICON_HEADER ${CMAKE_BINARY_DIR}/generated/platform/linux/VelmoraIcon.h)
  set(embedded)
  foreach(size 16 24 32 48 64 128)
    list(APPEND embedded ${VELMORA_ICON_${size}})
  endforeach()
  add_custom_command(OUTPUT ${VELMORA_ICON_HEADER}
    COMMAND ${CMAKE_COMMAND} -D "PNGS=${embedded}" -D OUTPUT=${VELMORA_ICON_HEADER}
            -P ${CMAKE_SOURCE_DIR}/cmake/EmbedPngs.cmake
    DEPENDS ${embedded} ${CMAKE_SOURCE_DIR}/cmake/EmbedPngs.cmake
    COMMENT "Embedding the icon" VERBATIM)
  add_custom_target(velmora_icon DEPENDS ${VELMORA_ICON_PNGS} ${VELMORA_ICON_HEADER})
endif()
