# Sources of the message model, the MIME writer and reader, and the message-file view.
set(TRANSPORT_MIME_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/header_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/email_address.cpp
  ${CMAKE_CURRENT_LIST_DIR}/message.cpp
  ${CMAKE_CURRENT_LIST_DIR}/message_parts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/message_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/date_parse.cpp
  ${CMAKE_CURRENT_LIST_DIR}/quoted_printable.cpp
  ${CMAKE_CURRENT_LIST_DIR}/header_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/header_text_encode.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mime_params.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mime_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mime_writer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/eml_view.cpp
)
set(TRANSPORT_MIME_TESTS
  ${CMAKE_CURRENT_LIST_DIR}/mime_reader_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mime_writer_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mime_writer_oracle_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/header_list_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/email_address_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/date_parse_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/header_text_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/eml_view_test.cpp
)

# yubinko-cli show-eml seen from the outside (the command itself lives in tools/).
if(NOT YUBINKO_FUZZ)
  add_test(NAME cli_show_eml
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/testdata/show_eml_check.sh $<TARGET_FILE:yubinko-cli>
            ${CMAKE_CURRENT_LIST_DIR}/testdata)
  set_tests_properties(cli_show_eml PROPERTIES ENVIRONMENT "${YUBINKO_TEST_ENV}"
    PASS_REGULAR_EXPRESSION "^ok")
endif()
