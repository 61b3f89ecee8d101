# Sources of the message model, the MIME writer and reader, and the message-file view.
set(TRANSPORT_MIME_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/header_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/email_address.cpp
  ${CMAKE_CURRENT_LIST_DIR}/message.cpp
  ${CMAKE_CURRENT_LIST_DIR}/message_parts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/date_parse.cpp
  ${CMAKE_CURRENT_LIST_DIR}/quoted_printable.cpp
  ${CMAKE_CURRENT_LIST_DIR}/header_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mime_base64.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mime_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mime_writer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/eml_view.cpp
)
set(TRANSPORT_MIME_TESTS
  ${CMAKE_CURRENT_LIST_DIR}/mime_reader_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mime_writer_test.cpp
)
