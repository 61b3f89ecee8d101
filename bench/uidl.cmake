# Second receive run over known mail with and without the account's UIDL file;
# bench/uidl_receive.sh starts the servers and seeds them.
if(TARGET receive)
  add_executable(uidl_receive_bench ${CMAKE_CURRENT_LIST_DIR}/uidl_receive_bench.cpp)
  target_link_libraries(uidl_receive_bench PRIVATE receive platform_testing)
endif()
