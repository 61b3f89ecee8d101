# Japanese text benchmark: ConvertCode throughput in-process on a generated 16 MB mail
# text; bench/jtext_convert.sh adds whole-process runs against the usual command-line peers.
add_executable(jtext_convert_bench ${CMAKE_CURRENT_LIST_DIR}/jtext_convert_bench.cpp)
target_link_libraries(jtext_convert_bench PRIVATE jtext)
