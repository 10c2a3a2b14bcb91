# What Windows users download, made from this build's Velmora.exe into
# ${CMAKE_BINARY_DIR}/dist by the target velmora_dist (scripts/make-windows-dist.sh):
#   Velmora-<version>-win32.zip        Velmora.exe, README.txt, LICENSE.txt
#   Velmora-<version>-setup.exe        the installer (platform/win32/installer)
# The version is the project's. A 64-bit build (preset windows64, for the
# tests where 32-bit programs cannot run) makes the same from its own exe,
# named -win64.zip and -x64-setup.exe.
set(VELMORA_DIST_DIR ${CMAKE_BINARY_DIR}/dist)
set(VELMORA_INSTALLER_DIR ${CMAKE_SOURCE_DIR}/platform/win32/installer)
set(VELMORA_INSTALLER_ICON "" CACHE FILEPATH "Icon of the installer and uninstaller (.ico); none: Velmora's own")

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(VELMORA_NSIS_TARGET amd64-unicode)
  set(VELMORA_ZIP ${VELMORA_DIST_DIR}/Velmora-${PROJECT_VERSION}-win64.zip)
  set(VELMORA_SETUP ${VELMORA_DIST_DIR}/Velmora-${PROJECT_VERSION}-x64-setup.exe)
else()
  set(VELMORA_NSIS_TARGET x86-unicode)
  set(VELMORA_ZIP ${VELMORA_DIST_DIR}/Velmora-${PROJECT_VERSION}-win32.zip)
  set(VELMORA_SETUP ${VELMORA_DIST_DIR}/Velmora-${PROJECT_VERSION}-setup.exe)
endif()

find_program(VELMORA_MAKENSIS makensis)

# Sets `var` to the command that builds the installer `outfile` for `version`
# around this build's Velmora.exe.
function(velmora_setup_command var outfile version)
  if(NOT VELMORA_MAKENSIS)
    set(${var} sh -c "echo 'makensis not found: install NSIS (Debian: nsis)' >&2; exit 1"
      PARENT_SCOPE)
    return()
  endif()
  string(REPLACE "." ";" parts ${version})
  list(GET parts 0 major)
  list(GET parts 1 minor)
  set(command ${VELMORA_MAKENSIS} -V2 -DVERSION=${version} -DVERSION_MAJOR=${major}
    -DVERSION_MINOR=${minor} -DTARGET=${VELMORA_NSIS_TARGET} -DEXE=$<TARGET_FILE:Velmora>
    -DOUTFILE=${outfile})
  if(VELMORA_INSTALLER_ICON)
    list(APPEND command -DICON=${VELMORA_INSTALLER_ICON})
  else()
    list(APPEND command -DICON=${VELMORA_ICO})
  endif()
  set(${var} ${command} ${VELMORA_INSTALLER_DIR}/Velmora.nsi PARENT_SCOPE)
endfunction()

# The zip's read-me, with Windows line ends.
configure_file(${VELMORA_INSTALLER_DIR}/README.txt.in ${VELMORA_DIST_DIR}/README.txt @ONLY
  NEWLINE_STYLE CRLF)
velmora_setup_command(setup_command ${VELMORA_SETUP} ${PROJECT_VERSION})
# Made anew each time: LICENSE.txt may come or change without CMake knowing.
add_custom_target(velmora_dist
  COMMAND sh ${VELMORA_INSTALLER_DIR}/make-zip.sh ${VELMORA_ZIP} $<TARGET_FILE:Velmora>
    ${VELMORA_DIST_DIR}/README.txt ${CMAKE_SOURCE_DIR}/LICENSE.txt
  COMMAND ${setup_command}
  DEPENDS Velmora velmora_icon
  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
  COMMENT "Velmora's zip and installer in ${VELMORA_DIST_DIR}"
  VERBATIM)
