# Layers enforced by the build. A target sees only its own source folders and those of the
# rice libraries it depends on, directly or not: its include root in the build tree holds one
# symbolic link per allowed folder, so `#include "platform/core/paths.h"` keeps its spelling and
# a header from any other folder is "No such file or directory". Nothing exports the repository
# root, and no include may climb out of a root with ".." or leave it with an absolute path
# (cmake/include_check.cmake).
#
# Adding a library: in its part's CMakeLists.txt (each folder's, bottom layer first),
#   rice_library(NAME DIRS folder... DEPS lib...)
# where DIRS are its source folders (every .cpp in them is compiled; HEADERS for a library of
# headers only) and DEPS every rice library its headers and sources include from, plus the
# outside libraries (Qt6::Widgets, PkgConfig::SHAPELIB, Threads::Threads) it uses. Nothing
# else: it sees what DEPS declare, and the `layers.*` tests are made from the declarations, one
# for each library it must not see and one that it sees its DEPS. Its tests:
#   rice_tests(NAME tests/folder DEPS NAME [LABELS engine])
# (label engine for an engine's tests, which also build with clang in CI). A part the
# configuration leaves out (tests, benchmarks, the Qt front-end) is still read with
# RICE_PART_OFF set: its sources are declared, not built, and the check that every .cpp of the
# tree belongs to a target holds in every configuration.

# _rice_closure(OUT DEP...): the rice libraries among DEP and those they depend on, directly or
# not (outside libraries, with "::" in their names, left out).
function(_rice_closure out)
  set(seen "")
  set(todo ${ARGN})
  while(todo)
    list(POP_FRONT todo dep)
    if(dep IN_LIST seen OR dep MATCHES "::")
      continue()  # seen, or an outside library (Qt, shapelib, threads, benchmark)
    endif()
    if(NOT TARGET ${dep})
      message(FATAL_ERROR "unknown library ${dep}")
    endif()
    list(APPEND seen ${dep})
    get_target_property(deps ${dep} RICE_DEPS)
    if(deps)
      list(APPEND todo ${deps})
    endif()
  endwhile()
  set(${out} ${seen} PARENT_SCOPE)
endfunction()

# _rice_folders(OUT DEP...): the source folders of the rice libraries among DEP, transitively.
function(_rice_folders out)
  _rice_closure(libraries ${ARGN})
  set(folders "")
  foreach(library ${libraries})
    get_target_property(own ${library} RICE_FOLDERS)
    list(APPEND folders ${own})
  endforeach()
  set(${out} ${folders} PARENT_SCOPE)
endfunction()

# _rice_declare(FILE...): sources of a part this configuration leaves out; they count as built
# for rice_check_every_source_built.
function(_rice_declare)
  foreach(f ${ARGN})
    if(NOT IS_ABSOLUTE ${f})
      set(f ${CMAKE_CURRENT_SOURCE_DIR}/${f})
    endif()
    cmake_path(SET f NORMALIZE "${f}")
    set_property(GLOBAL APPEND PROPERTY RICE_DECLARED_SOURCES ${f})
  endforeach()
endfunction()

# rice_part(DIR ENABLED): adds the part in DIR, built when ENABLED is true, else only declared
# (RICE_PART_OFF).
function(rice_part dir enabled)
  if(NOT enabled)
    set(RICE_PART_OFF ON)
  endif()
  add_subdirectory(${dir})
endfunction()

# _rice_relative(OUT DIR...): DIR, relative to the current source folder, as paths from the
# repository root.
function(_rice_relative out)
  set(rel "")
  foreach(d ${ARGN})
    file(RELATIVE_PATH r ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/${d})
    list(APPEND rel ${r})
  endforeach()
  set(${out} ${rel} PARENT_SCOPE)
endfunction()

# _rice_sees(TARGET OWN_FOLDERS DEPS): TARGET's include root is made once every library is known
# (at the end of the top folder), since a library may be named before it is declared.
function(_rice_sees target own deps)
  set_target_properties(${target} PROPERTIES RICE_SEES "${own}" RICE_DEPS "${deps}")
  cmake_language(EVAL CODE
    "cmake_language(DEFER DIRECTORY \"${CMAKE_SOURCE_DIR}\" CALL _rice_make_root ${target})")
endfunction()

function(_rice_make_root target)
  get_target_property(own ${target} RICE_SEES)
  get_target_property(deps ${target} RICE_DEPS)
  _rice_folders(folders ${deps})
  _rice_include_root(${target} ${own} ${folders})
endfunction()

# _rice_include_root(TARGET FOLDER...): gives TARGET a private include root of links to FOLDER.
# The root's name carries a hash of the folder list, so a changed list never reuses stale links.
function(_rice_include_root target)
  set(folders ${ARGN})
  list(REMOVE_DUPLICATES folders)
  list(SORT folders)
  string(MD5 hash "${folders}")
  string(SUBSTRING ${hash} 0 8 hash)
  set(root ${CMAKE_BINARY_DIR}/include_roots/${target}-${hash})
  set(linked "")
  foreach(f ${folders})
    # A folder inside one already linked is reachable through it; making its parent folder
    # would write into the source tree through the link.
    set(inside FALSE)
    foreach(l ${linked})
      string(FIND "${f}/" "${l}/" at)
      if(at EQUAL 0)
        set(inside TRUE)
      endif()
    endforeach()
    if(inside)
      continue()
    endif()
    list(APPEND linked ${f})
    if(NOT IS_SYMLINK ${root}/${f})
      get_filename_component(parent ${root}/${f} DIRECTORY)
      file(MAKE_DIRECTORY ${parent})
      file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${f} ${root}/${f} SYMBOLIC)
    endif()
  endforeach()
  target_include_directories(${target} PRIVATE ${root})
  set_target_properties(${target} PROPERTIES RICE_INCLUDE_ROOT ${root})
endfunction()

# rice_library(NAME DIRS dir... [DEPS lib...] [HEADERS]): a static library of every .cpp in the
# folders (HEADERS: headers only, nothing compiled). It may include from its own folders and
# those of DEPS; dependants link DEPS with it.
function(rice_library name)
  cmake_parse_arguments(R "HEADERS" "" "DIRS;DEPS" ${ARGN})
  _rice_relative(own ${R_DIRS})
  set(srcs "")
  if(NOT R_HEADERS)
    foreach(d ${R_DIRS})
      file(GLOB s CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${d}/*.cpp)
      list(APPEND srcs ${s})
    endforeach()
  endif()
  if(RICE_PART_OFF)
    _rice_declare(${srcs})
    return()
  endif()
  set_property(GLOBAL APPEND PROPERTY RICE_LIBRARIES ${name})
  if(srcs)
    add_library(${name} STATIC ${srcs})
    target_link_libraries(${name} PUBLIC ${R_DEPS})
    _rice_sees(${name} "${own}" "${R_DEPS}")
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${R_DEPS})
  endif()
  set_target_properties(${name} PROPERTIES RICE_FOLDERS "${own}" RICE_DEPS "${R_DEPS}")
endfunction()

# rice_program(NAME SOURCES file... DEPS lib... [DESKTOP] [INSTALL]): an executable that sees
# its DEPS' folders. DESKTOP: its entry is platform/entry, which opens its windows through the
# Qt front-end when that is built. INSTALL: one of the three programs, installed side by side in bin, since the
# workbench starts the other two from its own folder.
function(rice_program name)
  cmake_parse_arguments(R "DESKTOP;INSTALL" "" "SOURCES;DEPS" ${ARGN})
  if(RICE_PART_OFF)
    _rice_declare(${R_SOURCES})
    return()
  endif()
  if(R_DESKTOP)
    list(APPEND R_DEPS platform_entry)
  endif()
  add_executable(${name} ${R_SOURCES})
  target_link_libraries(${name} PRIVATE ${R_DEPS})
  _rice_sees(${name} "" "${R_DEPS}")
  if(R_INSTALL)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${RICE_PROGRAM_DIR})
    install(TARGETS ${name} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endfunction()

# rice_tests_start(TESTS PROGRAM MACRO): the tests start PROGRAM, built first, from the path in
# MACRO; KORVANE_FOLDER is the folder the three programs sit in.
function(rice_tests_start tests program macro)
  if(TARGET ${tests})
    add_dependencies(${tests} ${program})
    target_compile_definitions(${tests} PRIVATE ${macro}="$<TARGET_FILE:${program}>"
                                                KORVANE_FOLDER="$<TARGET_FILE_DIR:Korvane>")
  endif()
endfunction()

# rice_tests(NAME DIR [DIRS dir...] [DEPS lib...] [LABELS label...]): one GoogleTest program of
# every .cpp in DIR. It sees DIR, the extra test folders DIRS, the folders of DEPS and the test
# support (platform/testing). Under ctest, TMPDIR is the build tree's test-tmp (see _rice_test_tmp): the tests'
# temporary folders go there (platform/testing/temp_folder.h), not into /tmp.
function(rice_tests name dir)
  cmake_parse_arguments(R "" "" "DIRS;DEPS;LABELS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
  if(NOT RICE_TESTS OR RICE_PART_OFF)
    _rice_declare(${srcs})
    return()
  endif()
  if(NOT srcs)
    return()
  endif()
  # engine_tests: every engine's tests, which CI also builds with clang.
  if("engine" IN_LIST R_LABELS)
    if(NOT TARGET engine_tests)
      add_custom_target(engine_tests)
    endif()
    add_dependencies(engine_tests ${name})
  endif()
  list(APPEND R_DEPS rice_testing)
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE ${R_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  _rice_relative(own ${dir} ${R_DIRS})
  _rice_sees(${name} "${own}" "${R_DEPS}")
  # No build-tree path is handed to tests: they write only in their temporary folders.
  target_compile_definitions(${name} PRIVATE RICE_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  set(props "")
  if(R_LABELS)
    list(APPEND props LABELS "${R_LABELS}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES ${props})
  # The environment of every test, set once ctest knows the tests: gtest_discover_tests's
  # PROPERTIES cannot carry more than one variable.
  _rice_test_tmp(tmp)
  set(env ${CMAKE_CURRENT_BINARY_DIR}/${name}_environment.cmake)
  file(WRITE ${env} "set_tests_properties(\${${name}_TESTS} PROPERTIES ENVIRONMENT
  \"QT_QPA_PLATFORM=offscreen;TMPDIR=${tmp}\")\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${env})
  file(MAKE_DIRECTORY ${tmp})
endfunction()

# _rice_test_tmp(OUT): the folder of the tests' temporary folders, the build tree's test-tmp.
# The overlay names its outputs by replacing "lan" and "shp" anywhere in a path, so a build tree
# whose path holds either keeps them in /tmp instead, under a name of hex digits only.
function(_rice_test_tmp out)
  set(tmp ${CMAKE_BINARY_DIR}/test-tmp)
  if(tmp MATCHES "lan|shp")
    string(MD5 hash "${CMAKE_BINARY_DIR}")
    string(SUBSTRING ${hash} 0 12 hash)
    set(tmp /tmp/rice-test-tmp-${hash})
  endif()
  set(${out} ${tmp} PARENT_SCOPE)
endfunction()

# _rice_first_header(OUT LIBRARY): a header of LIBRARY's own folders (empty if none).
function(_rice_first_header out library)
  get_target_property(folders ${library} RICE_FOLDERS)
  foreach(f ${folders})
    file(GLOB headers RELATIVE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/${f}/*.h)
    if(headers)
      list(SORT headers)
      list(GET headers 0 first)
      set(${out} ${first} PARENT_SCOPE)
      return()
    endif()
  endforeach()
  set(${out} "" PARENT_SCOPE)
endfunction()

# rice_layer_probes(): the `layers.*` tests, made from the libraries' declarations once all are
# known. For each compiled library A and each rice library B it does not depend on, directly or
# not, layers.A_sees_no_B compiles `#include` of a header of B with A's include root and passes
# only when the compiler reports that header missing. layers.A_sees_its_deps compiles one
# header of each of A's direct rice dependencies as A's own sources are compiled.
function(rice_layer_probes)
  if(NOT RICE_TESTS)
    return()
  endif()
  get_property(libraries GLOBAL PROPERTY RICE_LIBRARIES)
  set(dir ${CMAKE_BINARY_DIR}/layer_probes)
  foreach(a ${libraries})
    get_target_property(type ${a} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
      continue()  # headers only: they are compiled, and checked, in their dependants
    endif()
    get_target_property(deps ${a} RICE_DEPS)
    _rice_closure(seen ${deps})
    set(includes "")
    foreach(b ${libraries})
      if(b STREQUAL a)
        continue()
      endif()
      _rice_first_header(header ${b})
      if(header STREQUAL "")
        continue()
      endif()
      if(b IN_LIST seen)
        if(b IN_LIST deps)
          string(APPEND includes "#include \"${header}\"\n")
        endif()
        continue()
      endif()
      set(probe ${a}_sees_no_${b})
      file(CONFIGURE OUTPUT ${dir}/${probe}.cpp CONTENT "#include \"${header}\"\n")
      add_test(NAME layers.${probe}
               COMMAND ${CMAKE_COMMAND} -DCXX=${CMAKE_CXX_COMPILER}
                       "-DROOT=$<TARGET_PROPERTY:${a},RICE_INCLUDE_ROOT>" -DSOURCE=${dir}/${probe}.cpp
                       -DMISSING=${header} -P ${CMAKE_SOURCE_DIR}/cmake/layer_probe.cmake)
      set_tests_properties(layers.${probe} PROPERTIES LABELS layers)
    endforeach()
    if(includes)
      set(probe ${a}_sees_its_deps)
      file(CONFIGURE OUTPUT ${dir}/${probe}.cpp CONTENT "${includes}")
      add_library(${probe} OBJECT EXCLUDE_FROM_ALL ${dir}/${probe}.cpp)
      target_include_directories(${probe} PRIVATE $<TARGET_PROPERTY:${a},RICE_INCLUDE_ROOT>)
      target_link_libraries(${probe} PRIVATE ${a})
      add_test(NAME layers.${probe}
               COMMAND ${CMAKE_COMMAND} -DBUILD=${CMAKE_BINARY_DIR} -DTARGET=${probe}
                       -P ${CMAKE_SOURCE_DIR}/cmake/layer_probe.cmake)
      # Built in the shared build tree: one at a time.
      set_tests_properties(layers.${probe} PROPERTIES RESOURCE_LOCK rice_build_tree LABELS layers)
    endif()
  endforeach()
  # The include check over the tree (a file added since the configure too), and a proof that
  # it refuses an include climbing out of its root.
  add_test(NAME layers.no_include_leaves_its_root
           COMMAND ${CMAKE_COMMAND} -DROOT=${CMAKE_SOURCE_DIR} -P ${CMAKE_SOURCE_DIR}/cmake/include_check.cmake)
  file(CONFIGURE OUTPUT ${dir}/climbing/engine.h
       CONTENT "#include \"workbench/engine/../../platform/ui/window.h\"\n")
  add_test(NAME layers.include_check_refuses_dot_dot
           COMMAND ${CMAKE_COMMAND} -DROOT=${dir}/climbing -P ${CMAKE_SOURCE_DIR}/cmake/include_check.cmake)
  set_tests_properties(layers.include_check_refuses_dot_dot PROPERTIES
                       PASS_REGULAR_EXPRESSION "engine.h:1: .*\\.\\./\\.\\./platform/ui/window.h" LABELS layers)
  set_tests_properties(layers.no_include_leaves_its_root PROPERTIES LABELS layers)
endfunction()

# rice_check_every_source_built(): fails the configure when a .cpp of the tree belongs to no
# target, so a file left in a folder nothing globs (after a move, say) is not silently unbuilt.
# The sources of parts the configuration leaves out count as built (rice_part).
function(rice_check_every_source_built)
  get_property(built GLOBAL PROPERTY RICE_DECLARED_SOURCES)
  set(dirs ${CMAKE_SOURCE_DIR})
  while(dirs)
    list(POP_FRONT dirs dir)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    list(APPEND dirs ${subdirs})
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(t ${targets})
      get_target_property(srcs ${t} SOURCES)
      get_target_property(base ${t} SOURCE_DIR)
      foreach(s ${srcs})
        if(NOT IS_ABSOLUTE ${s})
          set(s ${base}/${s})
        endif()
        cmake_path(SET s NORMALIZE "${s}")
        list(APPEND built ${s})
      endforeach()
    endforeach()
  endwhile()
  file(GLOB_RECURSE all RELATIVE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/*.cpp)
  file(RELATIVE_PATH binary ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
  set(stray "")
  foreach(f ${all})
    string(FIND "${f}" "${binary}/" inBinary)
    if(f MATCHES "^(build|\\.git)" OR inBinary EQUAL 0 OR ${CMAKE_SOURCE_DIR}/${f} IN_LIST built)
      continue()
    endif()
    list(APPEND stray ${f})
  endforeach()
  if(stray)
    list(JOIN stray "\n  " stray)
    message(FATAL_ERROR "sources that no target builds (move them to a built folder):\n  ${stray}")
  endif()
endfunction()
