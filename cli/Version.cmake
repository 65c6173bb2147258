# Writes Version.h with the project's version and the commit the sources are at, at
# every build; the file changes, and the command line is rebuilt, only when they do.
# Outside a git checkout (or without git) the commit is empty.
#   cmake -DSOURCE_DIR=... -DOUTPUT=... -DVERSION=... -P Version.cmake
set(commit "")
find_package(Git QUIET)
if(GIT_FOUND)
  execute_process(COMMAND ${GIT_EXECUTABLE} -C ${SOURCE_DIR} rev-parse --short=12 HEAD
    OUTPUT_VARIABLE head RESULT_VARIABLE failed OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT failed AND head)
    set(commit ${head})
    execute_process(COMMAND ${GIT_EXECUTABLE} -C ${SOURCE_DIR} status --porcelain --untracked-files=no
      OUTPUT_VARIABLE changes RESULT_VARIABLE failed ERROR_QUIET)
    if(NOT failed AND changes)
      string(APPEND commit ", with uncommitted changes")
    endif()
  endif()
endif()
set(text "// Made by Version.cmake at build time.\n#pragma once\ninline constexpr const char* kProjectVersion = \"${VERSION}\";\ninline constexpr const char* kBuildCommit = \"${commit}\";\n")
if(EXISTS ${OUTPUT})
  file(READ ${OUTPUT} old)
endif()
if(NOT old STREQUAL text)
  file(WRITE ${OUTPUT} "${text}")
endif()
