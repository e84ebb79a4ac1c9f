# One test program per NAME.cpp of the calling folder, so each file builds and
# fails on its own:
#   tarvel_add_unit_tests(NAME... LIBRARIES LIBRARY...)
# The created targets are returned in TARVEL_UNIT_TESTS for per-folder additions.
function(tarvel_add_unit_tests)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "" "LIBRARIES")
  set(targets)
  foreach(test_name IN LISTS arg_UNPARSED_ARGUMENTS)
    add_executable(${test_name} ${test_name}.cpp)
    set_target_properties(${test_name} PROPERTIES AUTOMOC OFF)
    target_link_libraries(${test_name} PRIVATE ${arg_LIBRARIES} GTest::gtest_main)
    gtest_discover_tests(${test_name} PROPERTIES LABELS unit DISCOVERY_TIMEOUT 30)
    list(APPEND targets ${test_name})
  endforeach()
  set(TARVEL_UNIT_TESTS ${targets} PARENT_SCOPE)
endfunction()
