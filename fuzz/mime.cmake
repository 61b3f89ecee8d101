# libFuzzer targets of the message model and MIME reader: the reader over memory, the address
# parser, dates, encoded words with base64, and quoted-printable.
foreach(family address date header_text quoted_printable)
  yubinko_add_fuzzer(fuzz_mime_${family}
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/mime_${family}.cpp LIBS transport)
endforeach()
# The reader also builds the shown text of what it read.
yubinko_add_fuzzer(fuzz_mime_reader SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/mime_reader.cpp LIBS mailview)
