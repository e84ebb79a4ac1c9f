# One test program per *_test.cpp of the calling folder, so each file builds
# and fails on its own. Links LIBRARIES; the created targets are returned in
# TARVEL_UNIT_TESTS for per-folder additions.
function(tarvel_add_unit_tests)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  set(targets)
  foreach(test_source IN LISTS sources)
    get_filename_component(test_name ${test_source} NAME_WE)
    add_executable(${test_name} ${test_source})
    set_target_properties(${test_name} PROPERTIES AUTOMOC OFF)
    target_link_libraries(${test_name} PRIVATE ${ARGN} tarvel_warnings GTest::gtest_main)
    gtest_discover_tests(${test_name} PROPERTIES LABELS unit DISCOVERY_TIMEOUT 30)
    list(APPEND targets ${test_name})
  endforeach()
  set(TARVEL_UNIT_TESTS ${targets} PARENT_SCOPE)
endfunction()
