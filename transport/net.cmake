# Sources of the wire side of mail transport: connection, replies, POP3, SMTP.
set(TRANSPORT_NET_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/exceptions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/byte_channel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/posix_channel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rfc_reply.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tcp_connection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pop3.cpp
)
set(TRANSPORT_NET_TESTING_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/testing/scripted_server.cpp
)
set(TRANSPORT_NET_TESTS
  ${CMAKE_CURRENT_LIST_DIR}/tcp_connection_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pop3_test.cpp
)
