# Main window benchmark: filling, sorting and listing a folder of 100,000 messages.
if(TARGET app_window AND TARGET app_demo)
  add_executable(app_list_bench ${CMAKE_CURRENT_LIST_DIR}/app_list_bench.cpp)
  target_link_libraries(app_list_bench PRIVATE app_window app_demo platform_testing)
endif()

# Link hover over a multi-megabyte body.
if(TARGET app_window)
  add_executable(app_hover_bench ${CMAKE_CURRENT_LIST_DIR}/app_hover_bench.cpp)
  target_link_libraries(app_hover_bench PRIVATE app_window platform_testing)
endif()
