# libFuzzer targets of the mail store: names made from message data, and index lists.
foreach(family names index)
  yubinko_add_fuzzer(fuzz_store_${family} SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/store_${family}.cpp
                     LIBS store)
endforeach()
