# The project generator, shared by the benchmarks and the end-to-end tests: included by
# both tests/ and bench/, defined once.
if(NOT TARGET tessaro_project_generator)
  add_library(tessaro_project_generator STATIC ${PROJECT_SOURCE_DIR}/bench/ProjectGenerator.cpp)
  target_include_directories(tessaro_project_generator PUBLIC ${PROJECT_SOURCE_DIR}/bench)
  target_compile_options(tessaro_project_generator PRIVATE ${TESSARO_WARNINGS})
endif()
