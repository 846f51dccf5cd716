# The stub that the native build installs beside mksfx (share/mksfx/sfxstub.exe) and puts
# beside the build tree's mksfx, where mksfx looks for it by default. Either a stub built
# elsewhere (SFX_STUB_FILE, e.g. the win32 preset's build/win32/sfxstub.exe), or, when that
# is not given, the stub cross-built from this tree with mingw-w64 as a sub-build. Without
# either the configuration stops: a builder without its stub cannot make anything.
set(SFX_STUB_FILE "" CACHE FILEPATH "A built sfxstub.exe to install with mksfx (empty: cross-build it here)")

if(SFX_STUB_FILE)
  # The stub may be built after this tree (the win32 preset), so it is linked, not copied.
  file(CREATE_LINK ${SFX_STUB_FILE} ${CMAKE_BINARY_DIR}/sfxstub.exe SYMBOLIC)
  install(FILES ${SFX_STUB_FILE} DESTINATION share/mksfx)
  return()
endif()

find_program(SFX_MINGW_CXX NAMES i686-w64-mingw32-g++-posix i686-w64-mingw32-g++)
if(NOT SFX_MINGW_CXX)
  message(FATAL_ERROR "mksfx needs the stub sfxstub.exe: install the mingw-w64 i686 compiler "
                      "(Debian: g++-mingw-w64-i686-posix) to cross-build it here, or pass "
                      "-DSFX_STUB_FILE=/path/to/sfxstub.exe")
endif()

include(ExternalProject)
set(stub_dir ${CMAKE_BINARY_DIR}/stub-win32)
ExternalProject_Add(stub_cross
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${stub_dir}
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-i686.cmake
             -DCMAKE_BUILD_TYPE=Release -DSFX_TESTS=OFF
  BUILD_COMMAND ${CMAKE_COMMAND} --build ${stub_dir} --target stub
  BUILD_ALWAYS ON
  INSTALL_COMMAND ${CMAKE_COMMAND} -E copy ${stub_dir}/sfxstub.exe ${CMAKE_BINARY_DIR}/sfxstub.exe
  BUILD_BYPRODUCTS ${stub_dir}/sfxstub.exe)
add_dependencies(mksfx stub_cross)
install(FILES ${stub_dir}/sfxstub.exe DESTINATION share/mksfx)
