# The builder for the browser (the wasm preset, Emscripten): build/wasm/mksfx.js and
# mksfx.wasm, which web/ loads in a worker and tests/web/ runs under node. zlib is compiled
# here from Debian's source package (scripts/setup wasm unpacks it; Emscripten's own port
# would be downloaded at build time). The host layer is host_wasm.cpp, with the code page
# 932 tables generated from Python's cp932 codec by cmake/cp932.py; the engine is compiled
# from copies of its sources whose Japanese literals the same script writes as code page
# 932 escapes, since clang writes literals in UTF-8 only.

find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(CP932_SCRIPT ${CMAKE_SOURCE_DIR}/cmake/cp932.py)
set(CP932_TREE ${CMAKE_BINARY_DIR}/cp932)
set(ENGINE_FILES)
foreach(dir ${ENGINE_DIRS})
  file(GLOB dir_files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/src/${dir}/*.h)
  list(APPEND ENGINE_FILES ${dir_files})
endforeach()
set(ENGINE_COPIES)
foreach(file ${ENGINE_FILES})
  file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR} ${file})
  add_custom_command(OUTPUT ${CP932_TREE}/${relative}
    COMMAND ${Python3_EXECUTABLE} ${CP932_SCRIPT} literals ${file} ${CP932_TREE}/${relative}
    DEPENDS ${file} ${CP932_SCRIPT} VERBATIM)
  list(APPEND ENGINE_COPIES ${CP932_TREE}/${relative})
endforeach()
set(ENGINE_SOURCE_COPIES ${ENGINE_SOURCES})
list(TRANSFORM ENGINE_SOURCE_COPIES REPLACE "^${CMAKE_SOURCE_DIR}" "${CP932_TREE}")
set(ENGINE_HEADER_COPIES ${ENGINE_COPIES})
list(FILTER ENGINE_HEADER_COPIES INCLUDE REGEX "\\.h$")
add_library(sfx_engine_cp932 STATIC ${ENGINE_SOURCE_COPIES} ${ENGINE_HEADER_COPIES})
target_include_directories(sfx_engine_cp932 PUBLIC ${CP932_TREE}/src)
set_target_properties(sfx_engine PROPERTIES EXCLUDE_FROM_ALL ON)

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

set(CP932_TABLE ${CMAKE_BINARY_DIR}/generated/cp932_table.h)
add_custom_command(OUTPUT ${CP932_TABLE}
  COMMAND ${Python3_EXECUTABLE} ${CP932_SCRIPT} table ${CP932_TABLE}
  DEPENDS ${CP932_SCRIPT}
  COMMENT "code page 932 tables for the browser's host layer")

list(FILTER MKSFX_SOURCES EXCLUDE REGEX "(/host_posix|_win32)\\.cpp$")
add_executable(mksfx ${MKSFX_SOURCES} ${CP932_TABLE})
target_include_directories(mksfx PRIVATE ${CMAKE_SOURCE_DIR}/tools/mksfx ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(mksfx PRIVATE sfx_engine_cp932 sfx_zlib)
target_compile_options(mksfx PRIVATE ${SFX_OWN_WARNINGS} ${MKSFX_CHARSET})
# One module per command: the worker makes a fresh instance for each run, so no state of
# one run reaches the next. Inputs and outputs live in the in-memory file system (file
# times in Emscripten's view of the host file system are wrong); the heap may grow to 2 GB.
target_link_options(mksfx PRIVATE
  -sMODULARIZE=1 -sEXPORT_NAME=createMksfx -sINVOKE_RUN=0 -sEXIT_RUNTIME=1
  -sFORCE_FILESYSTEM=1 -sEXPORTED_RUNTIME_METHODS=[FS,callMain,ENV]
  -sALLOW_MEMORY_GROWTH=1 -sMAXIMUM_MEMORY=2147483648 -sENVIRONMENT=web,worker,node)
