# The Windows build: the Win32 backend, Velmora.exe and the tests run under Wine.
message(STATUS "Windows build: backend not added yet")
