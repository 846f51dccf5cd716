# The builder for the browser (the wasm preset, Emscripten): build/wasm/mksfx.js and
# mksfx.wasm, which web/ loads in a worker and tests/web/ runs under node. zlib is compiled
# here from Debian's source package (scripts/setup wasm unpacks it; Emscripten's own port
# would be downloaded at build time). The host layer is host_wasm.cpp, with the code page
# 932 tables generated from Python's cp932 codec by cmake/cp932_table.py.

set(SFX_ZLIB_SOURCE "" CACHE PATH "zlib's source tree (scripts/setup wasm unpacks Debian's)")
if(NOT EXISTS "${SFX_ZLIB_SOURCE}/deflate.c")
  message(FATAL_ERROR "zlib's source is not at '${SFX_ZLIB_SOURCE}': run scripts/setup wasm")
endif()
set(ZLIB_PARTS adler32 compress crc32 deflate inffast inflate inftrees trees uncompr zutil)
list(TRANSFORM ZLIB_PARTS PREPEND "${SFX_ZLIB_SOURCE}/")
list(TRANSFORM ZLIB_PARTS APPEND ".c")
add_library(sfx_zlib STATIC ${ZLIB_PARTS})
target_include_directories(sfx_zlib PUBLIC ${SFX_ZLIB_SOURCE})
target_compile_options(sfx_zlib PRIVATE -O2 -w)
target_compile_definitions(sfx_zlib PRIVATE HAVE_UNISTD_H HAVE_STDARG_H)

find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(CP932_TABLE ${CMAKE_BINARY_DIR}/generated/cp932_table.h)
add_custom_command(OUTPUT ${CP932_TABLE}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/cmake/cp932_table.py ${CP932_TABLE}
  DEPENDS ${CMAKE_SOURCE_DIR}/cmake/cp932_table.py
  COMMENT "code page 932 tables for the browser's host layer")

list(FILTER MKSFX_SOURCES EXCLUDE REGEX "_(posix|win32)\\.cpp$")
add_executable(mksfx ${MKSFX_SOURCES} ${CP932_TABLE})
target_include_directories(mksfx PRIVATE ${CMAKE_SOURCE_DIR}/tools/mksfx ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(mksfx PRIVATE sfx_engine sfx_zlib)
target_compile_options(mksfx PRIVATE ${SFX_OWN_WARNINGS} ${MKSFX_CHARSET})
# One module per command: the worker makes a fresh instance for each run, so no state of
# one run reaches the next. Inputs and outputs live in the in-memory file system (file
# times in Emscripten's view of the host file system are wrong); the heap may grow to 2 GB.
target_link_options(mksfx PRIVATE
  -sMODULARIZE=1 -sEXPORT_NAME=createMksfx -sINVOKE_RUN=0 -sEXIT_RUNTIME=1
  -sFORCE_FILESYSTEM=1 -sEXPORTED_RUNTIME_METHODS=[FS,callMain,ENV]
  -sALLOW_MEMORY_GROWTH=1 -sMAXIMUM_MEMORY=2147483648 -sENVIRONMENT=web,worker,node)
