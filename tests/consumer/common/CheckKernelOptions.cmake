# The kernel's floating-point contract must reach every consumer through the target.
get_target_property(orvek_kernel_options orvek::kernel INTERFACE_COMPILE_OPTIONS)
if(NOT "-ffp-contract=off" IN_LIST orvek_kernel_options)
  message(FATAL_ERROR "orvek::kernel does not carry -ffp-contract=off (has: ${orvek_kernel_options})")
endif()
