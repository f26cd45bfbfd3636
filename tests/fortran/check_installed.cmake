# Installs the build into a fresh prefix, compiles a Fortran program with the installed
# bin/lncalc-flang, and checks that it gives the bytes of the same program built in the tree.
# Usage: cmake -DBUILD_DIR=... -DWORK_DIR=... -DSOURCE=prog.f -DBUILT=... -P check_installed.cmake
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE out)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "install failed: ${out}")
endif()
foreach(expected bin/lncalc-flang lib/liblncalc_fortran.a lib/liblncalc_runtime.a)
  if(NOT EXISTS ${prefix}/${expected})
    message(FATAL_ERROR "the installed tree lacks ${expected}")
  endif()
endforeach()
file(READ ${prefix}/lib/cmake/lncalc/lncalcTargets.cmake targets)
if(NOT targets MATCHES "lncalc::fortran")
  message(FATAL_ERROR "the package does not export lncalc::fortran")
endif()
execute_process(COMMAND ${prefix}/bin/lncalc-flang -o ${WORK_DIR}/program ${SOURCE}
                RESULT_VARIABLE result ERROR_VARIABLE out)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the installed lncalc-flang failed: ${out}")
endif()
file(WRITE ${WORK_DIR}/input "2\n\n")
foreach(which installed built)
  if(which STREQUAL installed)
    set(program ${WORK_DIR}/program)
  else()
    set(program ${BUILT})
  endif()
  execute_process(COMMAND ${program} INPUT_FILE ${WORK_DIR}/input RESULT_VARIABLE code_${which}
                  OUTPUT_VARIABLE out_${which} ERROR_VARIABLE err_${which})
endforeach()
if(NOT out_installed STREQUAL out_built OR NOT err_installed STREQUAL err_built
   OR NOT code_installed STREQUAL code_built OR NOT code_built EQUAL 0)
  message(FATAL_ERROR "installed and built programs differ:\n[${out_installed}]\n[${out_built}]")
endif()
