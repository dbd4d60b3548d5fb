# A smoke run of the setup loader's fuzz target for every build: a plain
# driver feeds it the example setups and deterministic mutations of them,
# with the normal compiler and the normal kernel library.
add_executable(setup_loader_smoke
  ${PROJECT_SOURCE_DIR}/fuzz/setup_loader_smoke.cpp
  ${PROJECT_SOURCE_DIR}/fuzz/setup_loader_fuzz.cpp)
target_link_libraries(setup_loader_smoke PRIVATE kernel)
add_test(NAME SetupLoaderFuzz.Smoke COMMAND setup_loader_smoke ${PROJECT_SOURCE_DIR}/examples)
set_tests_properties(SetupLoaderFuzz.Smoke PROPERTIES LABELS unit TIMEOUT 60)
