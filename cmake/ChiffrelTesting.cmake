# chiffrel_add_test(<name> [GUI] SOURCES <files...> LIBRARIES <libs...>)
# One GoogleTest executable, run by ctest as one test, offscreen and under the sanitizer options
# of the build (leaks inside system libraries are suppressed by tests/lsan.supp).
# GUI suites get a main() that creates the QApplication (tests/support/gui_test_main.cpp).
# CHIFFREL_DISPLAY_ENVIRONMENT is for tests that bring their own display server;
# CHIFFREL_TEST_ENVIRONMENT adds Qt's offscreen platform for every other one.
set(CHIFFREL_DISPLAY_ENVIRONMENT
    "QT_QPA_FONTDIR=/usr/share/fonts;ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
set(CHIFFREL_TEST_ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${CHIFFREL_DISPLAY_ENVIRONMENT}")

function(chiffrel_add_test name)
  cmake_parse_arguments(ARG "GUI" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_GUI)
    set(main_library chiffrel_gui_test_main)
  else()
    set(main_library GTest::gtest_main)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} ${main_library} GTest::gtest GTest::gmock
                        chiffrel_warnings)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    TIMEOUT 600
    ENVIRONMENT "${CHIFFREL_TEST_ENVIRONMENT}")
endfunction()

# chiffrel_add_test_run(<name> <suite> <gtest filter> <environment>)
# Runs the tests of an existing suite that `filter` selects once more, with `environment` added
# (a screen scaled twice, for instance).
function(chiffrel_add_test_run name suite filter environment)
  add_test(NAME ${name} COMMAND ${suite} --gtest_filter=${filter})
  set_tests_properties(${name} PROPERTIES
    TIMEOUT 600
    ENVIRONMENT "${CHIFFREL_TEST_ENVIRONMENT};${environment}")
endfunction()
