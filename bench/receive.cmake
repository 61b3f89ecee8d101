# Receive run benchmark: the whole receive run into a fresh store against the raw RETR loop and
# fetchmail with an MDA, on the same loopback Dovecot mailbox; bench/receive_run.sh starts the
# servers and seeds them.
if(TARGET receive)
  add_executable(receive_run_bench ${CMAKE_CURRENT_LIST_DIR}/receive_run_bench.cpp)
  target_link_libraries(receive_run_bench PRIVATE receive platform_testing)
endif()
