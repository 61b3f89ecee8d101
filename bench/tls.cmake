# POP3 download over TLS against plain text on the same loopback Dovecot mailbox;
# bench/tls_download.sh makes a test authority, starts the servers with TLS and seeds them.
if(TARGET receive)
  add_executable(tls_download_bench ${CMAKE_CURRENT_LIST_DIR}/tls_download_bench.cpp)
  target_link_libraries(tls_download_bench PRIVATE receive platform_testing)
endif()
