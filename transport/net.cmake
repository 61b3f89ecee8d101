# Sources of the wire side of mail transport: connection, replies, POP3, SMTP.
set(TRANSPORT_NET_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/exceptions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/byte_channel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/posix_channel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rfc_reply.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tcp_connection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pop3.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pop3_retrieve.cpp
  ${CMAKE_CURRENT_LIST_DIR}/smtp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tls_channel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tls_client.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tls_errors.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tls_trust.cpp
)
set(TRANSPORT_NET_TESTING_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/testing/scripted_server.cpp
  ${CMAKE_CURRENT_LIST_DIR}/testing/tls_server.cpp
)
set(TRANSPORT_NET_MAILSERVER_TESTS
  ${CMAKE_CURRENT_LIST_DIR}/mailserver_test.cpp
)
set(TRANSPORT_NET_TESTS
  ${CMAKE_CURRENT_LIST_DIR}/tcp_connection_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pop3_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/smtp_test.cpp
)

# Tests against real loopback mail servers. A CTest fixture starts them from a tree under /tmp
# named after the build directory and stops them afterwards; the tests share one fixed port
# pair, so they hold a resource lock (also against a second suite run with ctest -j).
function(transport_add_mailserver_tests)
  if(YUBINKO_FUZZ)
    return()
  endif()
  string(MD5 tree_hash "${CMAKE_BINARY_DIR}")
  string(SUBSTRING "${tree_hash}" 0 10 tree_hash)
  set(mail_dir "/tmp/ybk-mail-${tree_hash}")
  set(scripts "${PROJECT_SOURCE_DIR}/scripts/mailservers")
  add_test(NAME transport_mailservers_start COMMAND "${scripts}/start.sh" "${mail_dir}")
  add_test(NAME transport_mailservers_stop COMMAND "${scripts}/stop.sh" "${mail_dir}")
  set_tests_properties(transport_mailservers_start PROPERTIES
    FIXTURES_SETUP transport_mailservers RESOURCE_LOCK transport_mailservers LABELS mailserver)
  set_tests_properties(transport_mailservers_stop PROPERTIES
    FIXTURES_CLEANUP transport_mailservers RESOURCE_LOCK transport_mailservers LABELS mailserver)
  add_executable(transport_mailserver_test ${TRANSPORT_NET_MAILSERVER_TESTS})
  target_link_libraries(transport_mailserver_test PRIVATE transport transport_testing platform
    GTest::gtest GTest::gmock GTest::gtest_main)
  # The tree and script paths are compiled in: a list-valued ENVIRONMENT does not survive the
  # discovery step intact.
  target_compile_definitions(transport_mailserver_test PRIVATE
    YUBINKO_MAIL_DIR="${mail_dir}" YUBINKO_MAIL_SCRIPTS="${scripts}")
  gtest_discover_tests(transport_mailserver_test
    PROPERTIES
      FIXTURES_REQUIRED transport_mailservers
      RESOURCE_LOCK transport_mailservers
      LABELS mailserver
    DISCOVERY_TIMEOUT 60)
endfunction()
