# Mail store benchmark: the sorted index list on 100,000 records.
add_executable(store_index_bench ${CMAKE_CURRENT_LIST_DIR}/store_index_bench.cpp)
target_link_libraries(store_index_bench PRIVATE store)
