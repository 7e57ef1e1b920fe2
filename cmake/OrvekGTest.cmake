# Finds GoogleTest, or stops the configuration with the package to install.
find_package(GTest CONFIG QUIET)
if(NOT GTest_FOUND)
  find_package(GTest QUIET)
endif()
if(NOT TARGET GTest::gtest_main)
  message(FATAL_ERROR
    "GoogleTest was not found. On Debian or Ubuntu install it with:\n"
    "    apt-get install libgtest-dev\n"
    "or configure with -DORVEK_BUILD_TESTS=OFF to build without the tests.")
endif()
include(GoogleTest)
