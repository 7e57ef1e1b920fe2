# Runs the compiler in syntax-only mode on one translation unit and checks the outcome.
#
#   cmake -DCXX=<compiler> -DINCLUDE_DIR=<dir> -DSOURCE=<file> -DEXTRA_FLAGS="<flags>"
#         -DEXPECT=success|failure [-DPATTERN=<regex>] -P check_compile.cmake
#
# With EXPECT=failure the compiler must fail and its diagnostics must match PATTERN; with
# EXPECT=success it must succeed, warning-free.
foreach(var CXX INCLUDE_DIR SOURCE EXPECT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "check_compile.cmake: ${var} is not set")
  endif()
endforeach()

separate_arguments(extra UNIX_COMMAND "${EXTRA_FLAGS}")
execute_process(
  COMMAND "${CXX}" -std=c++20 -fsyntax-only -Wall -Wextra -Wpedantic -Werror "-I${INCLUDE_DIR}" ${extra} "${SOURCE}"
  RESULT_VARIABLE rc
  OUTPUT_VARIABLE out
  ERROR_VARIABLE out)

if(EXPECT STREQUAL "success")
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "expected ${SOURCE} to build with ${EXTRA_FLAGS}, but the compiler failed:\n${out}")
  endif()
elseif(EXPECT STREQUAL "failure")
  if(rc EQUAL 0)
    message(FATAL_ERROR "expected ${SOURCE} to be refused with ${EXTRA_FLAGS}, but it built")
  endif()
  if(NOT out MATCHES "${PATTERN}")
    message(FATAL_ERROR "the compiler refused ${SOURCE}, but its diagnostics do not match '${PATTERN}':\n${out}")
  endif()
else()
  message(FATAL_ERROR "check_compile.cmake: EXPECT must be success or failure, not '${EXPECT}'")
endif()
message(STATUS "ok: ${SOURCE} ${EXTRA_FLAGS} (${EXPECT})")
