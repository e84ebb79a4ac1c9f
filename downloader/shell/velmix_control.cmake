# The chip control widget; included by this folder's CMakeLists.txt.
add_library(vx_control STATIC ${CMAKE_CURRENT_LIST_DIR}/velmix_control.cpp ${CMAKE_CURRENT_LIST_DIR}/velmix_control.h)
target_include_directories(vx_control PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(vx_control PUBLIC vx_link vx_serial_qt Qt6::Widgets PRIVATE tarvel_warnings)
set_target_properties(vx_control PROPERTIES AUTOMOC ON)
