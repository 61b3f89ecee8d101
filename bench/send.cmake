# Send benchmark: merge and large-attachment sends through the composer's send step against
# python3 smtplib on the same loopback Postfix; bench/send_bench.sh starts the servers.
if(TARGET compose)
  add_executable(send_bench ${CMAKE_CURRENT_LIST_DIR}/send_bench.cpp)
  target_link_libraries(send_bench PRIVATE compose)
endif()
