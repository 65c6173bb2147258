# The Windows build: tessaro.dll, the in-process automation server, from the same core
# sources, linked statically so that it imports system DLLs only. SQLite is compiled in
# from its official source archive, fetched once by scripts/fetch-sqlite into a cache
# outside the tree.

option(TESSARO_WINE_TESTS "Test the DLL under Wine" ON)

set(TESSARO_SQLITE_DIR "" CACHE PATH "Folder with sqlite3.c and sqlite3.h (empty: fetch it)")
if(NOT TESSARO_SQLITE_DIR)
  execute_process(COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/scripts/fetch-sqlite
    OUTPUT_VARIABLE fetched OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR NOT EXISTS "${fetched}/sqlite3.c")
    message(FATAL_ERROR "SQLite's source could not be fetched (scripts/fetch-sqlite): ${status}")
  endif()
  set(TESSARO_SQLITE_DIR "${fetched}" CACHE PATH "" FORCE)
endif()

add_library(tessaro_sqlite STATIC ${TESSARO_SQLITE_DIR}/sqlite3.c)
target_include_directories(tessaro_sqlite SYSTEM PUBLIC ${TESSARO_SQLITE_DIR})
target_compile_definitions(tessaro_sqlite PRIVATE SQLITE_OMIT_LOAD_EXTENSION SQLITE_THREADSAFE=1 SQLITE_DQS=0)
# Our flags are not SQLite's: optimise, no debug information for its 9 MB of C.
set_source_files_properties(${TESSARO_SQLITE_DIR}/sqlite3.c PROPERTIES COMPILE_OPTIONS "-O2;-g0;-w")

file(GLOB TESSARO_COM_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/com/*.cpp)
add_library(tessaro SHARED ${TESSARO_SOURCES} ${TESSARO_COM_SOURCES})
set_target_properties(tessaro PROPERTIES PREFIX "" OUTPUT_NAME tessaro
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
target_include_directories(tessaro
  PUBLIC $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>
  PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR}/com)
target_compile_definitions(tessaro PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
target_compile_options(tessaro PRIVATE ${TESSARO_WARNINGS})
target_link_libraries(tessaro PRIVATE tessaro_sqlite ole32 oleaut32 uuid advapi32 user32)
target_link_options(tessaro PRIVATE -static -static-libgcc -static-libstdc++)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  target_link_options(tessaro PRIVATE -Wl,--enable-stdcall-fixup)
endif()

if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/com/CMakeLists.txt)
  add_subdirectory(com)
endif()

# The Wine tests run either DLL: the x86 one on Wine's 32-bit side (wine32).
if(TESSARO_WINE_TESTS)
  enable_testing()
  add_subdirectory(tests/wine)
endif()

# cmake --install: the DLL and its type library side by side with the notes on
# registering it, the VBScript example and the sample project it imports.
install(FILES $<TARGET_FILE:tessaro> ${PROJECT_BINARY_DIR}/com/generated/Tessaro.tlb
  cmake/windows/README-windows.txt DESTINATION .)
install(FILES samples/windows/import.vbs DESTINATION samples/windows)
install(DIRECTORY samples/plant DESTINATION samples)
