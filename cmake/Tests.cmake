# One QtTest executable per test source, run by CTest on the offscreen platform.
function(tarvello_test name)
  add_executable(${name} ${name}.cpp ${ARGN})
  target_link_libraries(${name} PRIVATE tarvello_testkit)
  tarvello_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8"
    TIMEOUT 120)
  if(TARVELLO_SANITIZE)
    # A decoder process's report fails the test even where the editor took
    # the decoder's end for a refused file.
    set_tests_properties(${name} PROPERTIES
      FAIL_REGULAR_EXPRESSION "ERROR: (Address|Leak)Sanitizer|runtime error:")
  endif()
endfunction()
