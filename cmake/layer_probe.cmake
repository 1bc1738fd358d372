# cmake -DBUILD=dir -DTARGET=probe [-DEXPECT=text] -P layer_probe.cmake
# Builds one layer probe. Without EXPECT the probe must compile; with it, the build must fail
# and say EXPECT (the header it may not see), so a failure for any other reason still fails.
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD} --target ${TARGET}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(EXPECT STREQUAL "")
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${TARGET} should compile:\n${out}")
  endif()
else()
  string(FIND "${out}" "${EXPECT}" at)
  if(rc EQUAL 0 OR at EQUAL -1)
    message(FATAL_ERROR "${TARGET} should fail with \"${EXPECT}\":\n${out}")
  endif()
endif()
