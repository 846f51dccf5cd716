# The libFuzzer targets (SFX_FUZZ, the fuzz preset): every tests/fuzz/fuzz_*.cpp linked with
# the engine's test flavour (and the builder's targets with the builder's sources), all of it
# built by clang with the fuzzer's coverage hooks and the address and undefined-behaviour
# sanitizers. tests/fuzz/smoke builds this and runs the targets.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "the fuzz targets need clang's libFuzzer: configure with the fuzz preset "
                      "(CMAKE_CXX_COMPILER=clang++; scripts/setup installs clang)")
endif()

# The engine is compiled with the coverage hooks but without the fuzzer's main; the targets
# take these flags through the engine's interface and link libFuzzer's main.
target_compile_options(sfx_engine PUBLIC -g -O1 -fsanitize=fuzzer-no-link,address,undefined
                                         -fno-sanitize-recover=undefined)

file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_*.cpp)
if(NOT FUZZ_SOURCES)
  message(FATAL_ERROR "no fuzz targets in tests/fuzz")
endif()
find_package(ZLIB REQUIRED)
foreach(src ${FUZZ_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE sfx_engine)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
endforeach()
# The differential target decodes every input with zlib's raw inflate as well.
target_link_libraries(fuzz_inflate_zlib PRIVATE ZLIB::ZLIB)

# The builder's targets (fuzz_builder_*) also link the builder's readers and writers: every
# source of tools/mksfx but its main and the Windows host, built with the engine's flags.
set(FUZZ_BUILDER_SOURCES ${MKSFX_SOURCES})
list(FILTER FUZZ_BUILDER_SOURCES EXCLUDE REGEX "(/main|_win32)\\.cpp$")
add_library(mksfx_library STATIC ${FUZZ_BUILDER_SOURCES})
target_include_directories(mksfx_library PUBLIC ${CMAKE_SOURCE_DIR}/tools/mksfx)
target_compile_options(mksfx_library PRIVATE ${SFX_OWN_WARNINGS})
target_link_libraries(mksfx_library PUBLIC sfx_engine ZLIB::ZLIB)
foreach(src ${FUZZ_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  if(name MATCHES "^fuzz_builder_")
    target_link_libraries(${name} PRIVATE mksfx_library)
  endif()
endforeach()
