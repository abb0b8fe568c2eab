# Run by ctest when it starts (a test include file): one memcheck test per
# scenario that quillon-host lists. host, runner and out are set by the file
# that includes this one.
execute_process(COMMAND "${host}" --list OUTPUT_VARIABLE names RESULT_VARIABLE status
                ERROR_QUIET)
string(STRIP "${names}" names)
if(NOT status EQUAL 0 OR names STREQUAL "")
  # Nothing to list: a test that says why, and fails.
  add_test(memcheck.scenarios sh -c "echo 'quillon-host --list failed (status ${status}); build it first'; exit 1")
  return()
endif()
string(REPLACE "\n" ";" names "${names}")
foreach(name IN LISTS names)
  add_test(memcheck.${name} sh "${runner}" "${host}" "${name}" "${out}/${name}")
  set_tests_properties(memcheck.${name} PROPERTIES TIMEOUT 900 LABELS memcheck)
endforeach()
