# POP3 download benchmark: TIdPOP3 into TIdMessage against a raw-socket loop and fetchmail on
# the same loopback Dovecot mailbox; bench/pop3_download.sh starts the servers and seeds them.
add_executable(pop3_download_bench ${CMAKE_CURRENT_LIST_DIR}/pop3_download_bench.cpp)
target_link_libraries(pop3_download_bench PRIVATE transport)
