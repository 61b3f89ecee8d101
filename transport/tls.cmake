# TLS tests: a throw-away certificate authority made at test time with the openssl command, an
# in-process TLS server, and the real servers with TLS on their own port set. The paths are
# compiled in (a list-valued ENVIRONMENT does not survive test discovery).
function(transport_add_tls_tests)
  if(YUBINKO_FUZZ)
    return()
  endif()
  string(MD5 tree_hash "${CMAKE_BINARY_DIR}")
  string(SUBSTRING "${tree_hash}" 0 10 tree_hash)
  set(cert_dir "/tmp/ybk-tls-${tree_hash}-certs")
  set(mail_dir "/tmp/ybk-tls-${tree_hash}")
  set(scripts "${PROJECT_SOURCE_DIR}/scripts/mailservers")
  # Tests of other folders use the same authority and servers (their fixtures by these names).
  set_property(GLOBAL PROPERTY YUBINKO_TLS_CERT_DIR "${cert_dir}")
  set_property(GLOBAL PROPERTY YUBINKO_TLS_MAIL_DIR "${mail_dir}")

  add_test(NAME transport_tls_certs COMMAND "${scripts}/make-test-certs.sh" "${cert_dir}")
  set_tests_properties(transport_tls_certs PROPERTIES FIXTURES_SETUP transport_tls_certs)

  add_test(NAME transport_tls_mailservers_start
    COMMAND env TLS_DIR=${cert_dir} POP3_PORT=44110 SMTP_PORT=44025 POP3S_PORT=44995
      SMTPS_PORT=44465 "${scripts}/start.sh" "${mail_dir}")
  add_test(NAME transport_tls_mailservers_stop COMMAND "${scripts}/stop.sh" "${mail_dir}")
  set_tests_properties(transport_tls_mailservers_start PROPERTIES
    FIXTURES_SETUP transport_tls_mailservers FIXTURES_REQUIRED transport_tls_certs
    RESOURCE_LOCK transport_tls_mailservers LABELS mailserver)
  set_tests_properties(transport_tls_mailservers_stop PROPERTIES
    FIXTURES_CLEANUP transport_tls_mailservers RESOURCE_LOCK transport_tls_mailservers
    LABELS mailserver)

  add_executable(transport_tls_test ${CMAKE_CURRENT_LIST_DIR}/tls_test.cpp)
  target_link_libraries(transport_tls_test PRIVATE transport transport_testing platform
    GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(transport_tls_test PRIVATE YUBINKO_TLS_CERT_DIR="${cert_dir}")
  set_target_properties(transport_tls_test PROPERTIES
    CROSSCOMPILING_EMULATOR "/usr/bin/env;${YUBINKO_TEST_ENV}")
  gtest_discover_tests(transport_tls_test
    PROPERTIES FIXTURES_REQUIRED transport_tls_certs DISCOVERY_TIMEOUT 60)

  add_executable(transport_tls_mailserver_test ${CMAKE_CURRENT_LIST_DIR}/mailserver_tls_test.cpp)
  target_link_libraries(transport_tls_mailserver_test PRIVATE transport transport_testing platform
    GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(transport_tls_mailserver_test PRIVATE
    YUBINKO_TLS_CERT_DIR="${cert_dir}" YUBINKO_MAIL_DIR="${mail_dir}"
    YUBINKO_MAIL_SCRIPTS="${scripts}")
  gtest_discover_tests(transport_tls_mailserver_test
    PROPERTIES
      FIXTURES_REQUIRED transport_tls_mailservers
      RESOURCE_LOCK transport_tls_mailservers
      LABELS mailserver
    DISCOVERY_TIMEOUT 60)
endfunction()
