# Unit tests: one executable per folder of tests/unit (one folder per subsystem), built
# natively and cross-built (run under Wine through CMAKE_CROSSCOMPILING_EMULATOR).
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(SFX_GTEST_DIR /usr/src/googletest CACHE PATH "GoogleTest's source tree (Debian: googletest)")
if(NOT EXISTS ${SFX_GTEST_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest not found in SFX_GTEST_DIR=${SFX_GTEST_DIR}: scripts/setup "
                      "installs googletest, or pass -DSFX_GTEST_DIR=/path/to/googletest")
endif()
add_subdirectory(${SFX_GTEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

# Archives made by peer tools (zip, 7z, Python's zipfile) at build time, on the host.
set(FIXTURE_DIR ${CMAKE_BINARY_DIR}/fixtures)
file(GLOB FIXTURE_SCRIPTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fixtures/*)
add_custom_command(OUTPUT ${FIXTURE_DIR}/.stamp
  COMMAND ${CMAKE_SOURCE_DIR}/tests/fixtures/make_fixtures ${FIXTURE_DIR}
  COMMAND ${CMAKE_COMMAND} -E touch ${FIXTURE_DIR}/.stamp
  DEPENDS ${FIXTURE_SCRIPTS}
  COMMENT "Making test archives with zip, 7z and Python's zipfile")
add_custom_target(fixtures DEPENDS ${FIXTURE_DIR}/.stamp)

file(GLOB SUPPORT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/support/*.cpp)
add_library(test_support STATIC ${SUPPORT_SOURCES} ${CMAKE_SOURCE_DIR}/tests/unit/support/support.h)
target_link_libraries(test_support PUBLIC sfx_engine GTest::gtest)
target_include_directories(test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests/unit)
target_compile_definitions(test_support PUBLIC SFX_FIXTURE_DIR="${FIXTURE_DIR}"
                                               SFX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")

file(GLOB UNIT_DIRS LIST_DIRECTORIES true ${CMAKE_SOURCE_DIR}/tests/unit/*)
foreach(dir ${UNIT_DIRS})
  get_filename_component(name ${dir} NAME)
  if(NOT IS_DIRECTORY ${dir})
    message(FATAL_ERROR "tests/unit/${name}: only folders of tests belong in tests/unit")
  endif()
  # The shared helpers are the test_support library above, not a test program.
  if(name STREQUAL "support")
    continue()
  endif()
  file(GLOB unit_sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(NOT unit_sources)
    message(FATAL_ERROR "tests/unit/${name} holds no test sources")
  endif()
  # The desktop steps are Win32 only (program manager conversation, registry, profile).
  if(name STREQUAL "desktop" AND NOT WIN32)
    continue()
  endif()
  add_executable(unit_${name} ${unit_sources})
  target_link_libraries(unit_${name} PRIVATE test_support GTest::gtest_main)
  if(name STREQUAL "desktop")
    target_sources(unit_desktop PRIVATE ${UI_RESOURCES})
    target_link_libraries(unit_desktop PRIVATE sfx_ui)
  endif()
  add_dependencies(unit_${name} fixtures)
  # The desktop tests share one registry, profile and program manager: CTest runs the
  # test programs in parallel, so these take turns.
  set(lock)
  if(name STREQUAL "desktop")
    set(lock RESOURCE_LOCK desktop_state)
  endif()
  gtest_discover_tests(unit_${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                       PROPERTIES TIMEOUT 300 ${lock})
endforeach()
