include(GoogleTest)
# kv_add_test(NAME SOURCES a.cpp b.cpp LIBS lib... LABEL unit|integration|gui|fuzz|bench)
# Builds one GoogleTest program and registers each of its tests with CTest under the label.
function(kv_add_test name)
  if(NOT KV_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_LABEL)
    set(ARG_LABEL unit)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE KV_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  if(TARGET kvtest_child)
    add_dependencies(${name} kvtest_child)
  endif()
  if(CMAKE_CROSSCOMPILING)
    # The Windows programs run under Wine: list their tests when the tests run, not at build time.
    set(discovery_mode PRE_TEST)
  else()
    set(discovery_mode POST_BUILD)
  endif()
  # The leak checker of sanitizer builds ignores only what tests/lsan.supp names.
  gtest_discover_tests(${name}
    PROPERTIES LABELS ${ARG_LABEL}
               ENVIRONMENT "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0"
    DISCOVERY_TIMEOUT 60
    DISCOVERY_MODE ${discovery_mode})
endfunction()
