# orvek_add_verify_tests(<target>): the whole report as one CTest test, and every registered
# case as a test of its own, named after the case and run through the build-tool mode.
#
# The case list comes from the program itself ("list" request) when ctest starts, so the
# tests follow the registry without a reconfigure.
function(orvek_add_verify_tests target)
  add_test(NAME orvek_verify.report COMMAND ${target})

  set(ctest_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_cases.cmake)
  file(GENERATE OUTPUT ${ctest_file} CONTENT
"include([[${PROJECT_SOURCE_DIR}/cmake/OrvekVerifyDiscover.cmake]])
orvek_discover_verify_cases(
  [[$<TARGET_FILE:${target}>]]
  [[${CMAKE_COMMAND}]]
  [[${PROJECT_SOURCE_DIR}/cmake/OrvekVerifyRunCase.cmake]]
  [[${CMAKE_CURRENT_BINARY_DIR}]])
")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${ctest_file})
endfunction()
