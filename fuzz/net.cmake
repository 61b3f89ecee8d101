# libFuzzer targets of the wire side of mail transport: the generic reply reader, the POP3
# reply handling of every command, and the line reader under any chunking and limit.
foreach(family reply pop3 lines)
  yubinko_add_fuzzer(fuzz_net_${family}
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/net_${family}.cpp LIBS transport)
endforeach()
