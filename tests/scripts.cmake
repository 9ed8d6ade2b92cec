# Script tests, run by run_script_test.py against tovl-console: one test per script under
# scripts/ and examples/, and one for the examples of the language guide, all labelled script.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
file(GLOB_RECURSE tovlscripts CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/scripts/*.tovl
     ${CMAKE_CURRENT_LIST_DIR}/examples/*.tovl)
foreach(script ${tovlscripts})
  file(RELATIVE_PATH name ${CMAKE_CURRENT_LIST_DIR} ${script})
  string(REGEX REPLACE "^(script|example)s/(.*)\\.tovl$" "\\1/\\2" name ${name})
  add_test(NAME ${name} COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/run_script_test.py
           $<TARGET_FILE:tovl-console> ${script})
  set_tests_properties(${name} PROPERTIES LABELS script)
endforeach()
add_test(NAME docs/language COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/run_script_test.py
         $<TARGET_FILE:tovl-console> --guide ${PROJECT_SOURCE_DIR}/docs/language.md)
set_tests_properties(docs/language PROPERTIES LABELS script)
