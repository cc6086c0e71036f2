# Helpers that keep every module's CMakeLists short and alike.

# lumo_tests(<name> SOURCES <files...> LIBS <targets...>)
# One GoogleTest executable per module; every test runs headless.
function(lumo_tests name)
  if(NOT LUMO_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    LUMO_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    LUMO_TEST_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LUMO_MPV_OPTIONS=ao=null,vo=null")
endfunction()

# lumo_benchmark(<name> SOURCES <files...> LIBS <targets...>)
function(lumo_benchmark name)
  if(NOT LUMO_BUILD_BENCHMARKS)
    return()
  endif()
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark)
endfunction()
