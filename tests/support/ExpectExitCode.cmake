# Runs a test program (through the emulator when cross-compiled) and passes
# only when it exits with the expected code: a crash on the way out fails.
#   cmake -DPROGRAM=... -DEXPECTED=7 [-DEMULATOR=...] -P ExpectExitCode.cmake
if(EMULATOR)
  set(command ${EMULATOR} ${PROGRAM})
else()
  set(command ${PROGRAM})
endif()
execute_process(COMMAND ${command} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${out}${err}")
if(NOT code STREQUAL EXPECTED)
  message(FATAL_ERROR "exit code ${code}, expected ${EXPECTED}")
endif()
