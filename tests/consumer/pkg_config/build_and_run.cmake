# Builds the consumer program with nothing but the flags orvek.pc gives, then runs it.
# -DPREFIX=<install prefix> -DCOMPILER=<c++ compiler> -DSOURCE=<consumer.cpp> -DOUTPUT=<program>
#   -DEXTRA_FLAGS=<the build's own CXX flags, e.g. sanitizers>
file(GLOB_RECURSE pc_files "${PREFIX}/*/orvek.pc")
list(LENGTH pc_files found)
if(NOT found EQUAL 1)
  message(FATAL_ERROR "expected one orvek.pc under ${PREFIX}, found: ${pc_files}")
endif()
get_filename_component(pc_dir "${pc_files}" DIRECTORY)
set(ENV{PKG_CONFIG_PATH} "${pc_dir}")
execute_process(COMMAND pkg-config --cflags --libs orvek OUTPUT_VARIABLE flags
  OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
message("pkg-config: ${flags}")
separate_arguments(flags UNIX_COMMAND "${flags}")
separate_arguments(extra UNIX_COMMAND "${EXTRA_FLAGS}")
execute_process(COMMAND "${COMPILER}" ${extra} "${SOURCE}" ${flags} -o "${OUTPUT}" COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND "${OUTPUT}" COMMAND_ERROR_IS_FATAL ANY)
