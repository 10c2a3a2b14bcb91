# The .deb (scripts/make-deb.sh, `make dist-deb`): the project's version,
# release date and home page for it, and its tests.
string(REPLACE ";" " " VELMORA_ICON_SIZES "${VELMORA_ICON_SIZES}")
configure_file(${CMAKE_SOURCE_DIR}/packaging/linux/release.env.in
               ${CMAKE_BINARY_DIR}/packaging/release.env @ONLY)

# The package built from the Release program (preset linux-release) and
# checked, then installed and removed again where the tests run as root.
# Not in the sanitizer build: the same test once is enough.
if(NOT VELMORA_SANITIZE)
  set(deb_out ${CMAKE_BINARY_DIR}/tests/dist)
  add_test(NAME deb.package COMMAND ${CMAKE_SOURCE_DIR}/tests/dist/test-deb.sh package ${deb_out})
  add_test(NAME deb.install COMMAND ${CMAKE_SOURCE_DIR}/tests/dist/test-deb.sh install ${deb_out})
  set_tests_properties(deb.package PROPERTIES FIXTURES_SETUP deb TIMEOUT 1200)
  set_tests_properties(deb.install PROPERTIES FIXTURES_REQUIRED deb TIMEOUT 1200
                       SKIP_RETURN_CODE 77 RESOURCE_LOCK system_packages)
endif()
