# MIME parse benchmark: the reader against GMime 3 on the same generated messages, in memory.
pkg_check_modules(GMIME3 IMPORTED_TARGET gmime-3.0)
if(GMIME3_FOUND)
  add_executable(mime_parse_bench ${CMAKE_CURRENT_LIST_DIR}/mime_parse_bench.cpp)
  target_link_libraries(mime_parse_bench PRIVATE transport PkgConfig::GMIME3)
endif()
