# Message rule benchmark: FindRule with 100 rules over 100,000 subject/sender pairs against
# grep -F -f on the same subjects, and the rule run over a 10,000-record folder.
if(TARGET rules)
  add_executable(rules_bench ${CMAKE_CURRENT_LIST_DIR}/rules_bench.cpp)
  target_link_libraries(rules_bench PRIVATE rules platform_testing)
endif()
