# libFuzzer targets of the Japanese text unit, one per family of operations.
foreach(family detect_convert words base64 encode)
  yubinko_add_fuzzer(fuzz_jtext_${family} SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/jtext_${family}.cpp LIBS jtext)
endforeach()
