# Installs the build into a fresh prefix, checks what the prefix holds, builds the consumer
# project against it with find_package, and runs the installed calculator and the consumer,
# comparing their standard output and error byte for byte and their exit codes.
# Usage: cmake -DBUILD_DIR=... -DCONSUMER_DIR=... -DWORK_DIR=... -DGENERATOR=... -DBUILD_TYPE=...
#              [-DCXX_COMPILER=...] [-DTOOLCHAIN_FILE=...] [-DEMULATOR=...] [-DEXE_SUFFIX=.exe]
#              [-DFPU=x87|soft]
#              -P check_install.cmake
set(prefix ${WORK_DIR}/prefix)
set(consumer_build ${WORK_DIR}/consumer)
file(REMOVE_RECURSE ${WORK_DIR})

function(run_step what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${what} failed (${result}):\n${out}")
  endif()
endfunction()

# 1. The installed tree: the calculator, the library, the public headers and nothing else of
#    the engine's headers, the package configuration.
run_step("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
foreach(expected bin/lncalc${EXE_SUFFIX} lib/liblncalc_runtime.a lib/cmake/lncalc/lncalcConfig.cmake
                 lib/cmake/lncalc/lncalcConfigVersion.cmake lib/cmake/lncalc/lncalcTargets.cmake)
  if(NOT EXISTS ${prefix}/${expected})
    message(FATAL_ERROR "the installed tree lacks ${expected}")
  endif()
endforeach()
file(GLOB_RECURSE headers RELATIVE ${prefix}/include ${prefix}/include/*)
list(SORT headers)
set(public_headers lncalc/call_sites.h lncalc/entry.h lncalc/files.h lncalc/reports.h lncalc/runtime.h
                   lncalc/statements.h)
if(NOT headers STREQUAL public_headers)
  message(FATAL_ERROR "installed headers are '${headers}', expected '${public_headers}'")
endif()

# 2. The consumer project, configured with nothing but the prefix.
set(configure ${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${consumer_build} -G ${GENERATOR}
              -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=${BUILD_TYPE})
if(TOOLCHAIN_FILE)
  list(APPEND configure -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE})
elseif(CXX_COMPILER)
  list(APPEND configure -DCMAKE_CXX_COMPILER=${CXX_COMPILER})
endif()
run_step("configuring the consumer" ${configure})
run_step("building the consumer" ${CMAKE_COMMAND} --build ${consumer_build})

# 3. Runs: standard output, standard error and the exit code, exactly.
function(expect_run name program argument input expected_out expected_err expected_code)
  file(WRITE ${WORK_DIR}/${name}.in "${input}")
  execute_process(COMMAND ${EMULATOR} ${program} ${argument}
                  INPUT_FILE ${WORK_DIR}/${name}.in
                  OUTPUT_FILE ${WORK_DIR}/${name}.out ERROR_FILE ${WORK_DIR}/${name}.err
                  RESULT_VARIABLE code)
  file(WRITE ${WORK_DIR}/${name}.expected.out "${expected_out}")
  file(WRITE ${WORK_DIR}/${name}.expected.err "${expected_err}")
  foreach(stream out err)
    file(READ ${WORK_DIR}/${name}.${stream} actual HEX)
    file(READ ${WORK_DIR}/${name}.expected.${stream} expected HEX)
    if(NOT actual STREQUAL expected)
      file(READ ${WORK_DIR}/${name}.${stream} shown)
      message(FATAL_ERROR "${name}: standard ${stream} differs; got:\n${shown}\nhex ${actual}\n"
                          "expected hex ${expected}")
    endif()
  endforeach()
  if(NOT code EQUAL expected_code)
    message(FATAL_ERROR "${name}: exit code ${code}, expected ${expected_code}")
  endif()
endfunction()

set(first_record "n =         42 x =       2.500000\r\n")
expect_run(plain ${consumer_build}/consumer${EXE_SUFFIX} "" "7, 1.5e2 9\r\n"
           "${first_record}          7      150.000000\r\n" "" 0)
# The program's own division by zero traps on the x87; with the software unit the program's
# own arithmetic is not trapped and goes on with an infinity.
if(FPU STREQUAL "soft")
  expect_run(trap ${consumer_build}/consumer${EXE_SUFFIX} trap "7, 1.5e2\n"
             "${first_record}          7      150.000000\r\n" "" 0)
else()
  expect_run(trap ${consumer_build}/consumer${EXE_SUFFIX} trap "7, 1.5e2\n"
             "${first_record}          7      150.000000\r\n"
             "\r\nrun-time error M6103: MATH\r\n- floating-point error: divide by zero\r\n" 1)
endif()
expect_run(overflow ${consumer_build}/consumer${EXE_SUFFIX} overflow "12,,\r\n"
           "${first_record}         12    0.000000E+00\r\n"
           "\r\nscale.f(21) : run-time error F6099: $DEBUG\r\n- integer overflow in arithmetic\r\n\r\nExecution traceback:\r\n\t\tfrom scaled in scale.f(21)\r\n\t\tfrom main program in main.f(4)\r\n"
           1)
expect_run(bad_input ${consumer_build}/consumer${EXE_SUFFIX} "" "7 x\r\n"
           "${first_record}"
           "\r\nrun-time error F6103: READ(CON)\r\n- invalid real value: not a number\r\n" 1)
# The installed calculator runs too: its banner, its prompt, and the report for text that is
# not a number.
string(CONCAT calculator_out
  "*****  *****  *****        *   *****   *\r\n"
  "  *    *      *           **       *  **\r\n"
  "  *    *      *          * *      *    *\r\n"
  "  *    ****   ****      *  *     *     *\r\n"
  "  *    *      *         *****    *     *\r\n"
  "  *    *      *            *     *     *\r\n"
  "  *    *****  *            *     *    ***   Quorvaltemsin\r\n"
  "\r\n"
  "Dogal logaritmasinin hesaplanmasini istediginiz degeri giriniz:\r\n")
expect_run(calculator ${prefix}/bin/lncalc${EXE_SUFFIX} "" "abc\r\n" "${calculator_out}"
           "\r\nrun-time error F6103: READ(CON)\r\n- invalid real value: not a number\r\n" 1)
