# The chip control widget; included by this folder's CMakeLists.txt.
add_library(vx_control STATIC ${CMAKE_CURRENT_LIST_DIR}/velmix_control.cpp ${CMAKE_CURRENT_LIST_DIR}/velmix_control.h)
target_include_directories(vx_control PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(vx_control PUBLIC vx_link vx_serial_qt Qt6::Widgets)
set_target_properties(vx_control PROPERTIES AUTOMOC ON)

if(BUILD_TESTING)
  add_executable(vx_control_tests ${CMAKE_CURRENT_LIST_DIR}/velmix_control_test.cpp)
  target_link_libraries(vx_control_tests PRIVATE vx_control vx_link_test_support qm40sim_core tarvel_gui_test_main)
  gtest_discover_tests(vx_control_tests PROPERTIES LABELS gui DISCOVERY_TIMEOUT 30)
endif()
