# A layer probe, run by ctest.
# cmake -DCXX=compiler -DROOT=include_root -DSOURCE=file.cpp -DMISSING=header -P layer_probe.cmake
#   SOURCE includes MISSING; compiled with the include root alone it must fail, saying MISSING
#   is not found (so a failure for any other reason, the header found, still fails the probe).
# cmake -DBUILD=dir -DTARGET=probe -P layer_probe.cmake
#   builds the probe target, which must compile.
if(DEFINED MISSING)
  execute_process(COMMAND ${CXX} -std=c++20 -fsyntax-only -I${ROOT} ${SOURCE}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  # GCC: "HEADER: No such file or directory"; clang: "'HEADER' file not found"
  string(FIND "${out}" "${MISSING}: No such file or directory" gcc)
  string(FIND "${out}" "'${MISSING}' file not found" clang)
  if(rc EQUAL 0 OR (gcc EQUAL -1 AND clang EQUAL -1))
    message(FATAL_ERROR "${MISSING} should be out of reach of ${ROOT}:\n${out}")
  endif()
else()
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD} --target ${TARGET}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${TARGET} should compile:\n${out}")
  endif()
endif()
