# Runs one verification case through the build-tool mode; fails unless it passed without leaking.
# -DPROGRAM=<orvek_verify> -DINDEX=<1-based position> -DWORK_DIR=<scratch directory>
set(request "${WORK_DIR}/orvek_verify_run_${INDEX}.in")
file(WRITE "${request}" "run ${INDEX}\nquit\n")
execute_process(COMMAND "${PROGRAM}" --listen=- INPUT_FILE "${request}"
  OUTPUT_VARIABLE reply ERROR_VARIABLE report RESULT_VARIABLE status)
message("${report}${reply}")
if(NOT reply MATCHES "\"status\":\"pass\"" OR NOT reply MATCHES "\"leaked\":false" OR NOT status EQUAL 0)
  message(FATAL_ERROR "case ${INDEX} did not pass cleanly (exit status ${status})")
endif()
