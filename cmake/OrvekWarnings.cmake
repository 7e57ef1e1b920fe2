# orvek_warnings: the warning set every orvek target is built with.
add_library(orvek_warnings INTERFACE)
target_compile_options(orvek_warnings INTERFACE -Wall -Wextra -Wpedantic)
if(ORVEK_WERROR)
  target_compile_options(orvek_warnings INTERFACE -Werror)
endif()

# orvek_target_defaults(<target>): C++20 and the project warnings, kept private to orvek.
function(orvek_target_defaults target)
  target_compile_features(${target} PUBLIC cxx_std_20)
  set_target_properties(${target} PROPERTIES CXX_EXTENSIONS OFF)
  target_link_libraries(${target} PRIVATE $<BUILD_INTERFACE:orvek_warnings>)
endfunction()
