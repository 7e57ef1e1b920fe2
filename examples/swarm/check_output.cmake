# Runs the swarm example and compares what it prints with the recorded output.
# -DPROGRAM=<orvek_example_swarm> -DEXPECTED=<expected_output.txt>
#
# The output is deterministic: the same bits on every build, compiler and preset. After a
# deliberate change of the example or of the kernel's results, record it again with
#   ./build/default/orvek_example_swarm > examples/swarm/expected_output.txt
execute_process(COMMAND "${PROGRAM}" OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
message("${output}${errors}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "orvek_example_swarm exited with status ${status}")
endif()
file(READ "${EXPECTED}" expected)
if(NOT output STREQUAL expected)
  message(FATAL_ERROR "the output differs from ${EXPECTED}:\n${expected}")
endif()
