# What every tool test script shares: a work folder of its own, natively a
# registry of its own in it, and running the tool as a user does.
#   include(${CMAKE_CURRENT_LIST_DIR}/ToolTest.cmake) after -DTOOL, -DEMULATOR and -DWORK.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
# Natively the registry is a pair of files of this test's own.
set(ENV{ZRADDRRES_REGISTRY} ${WORK}/registry)

# The tool's output goes through files, not pipes: under Wine the tool's
# first use of the window system starts a desktop process that inherits its
# output and lives on for a second after the last program leaves, and a pipe
# would keep every run waiting for it. A run is
#   execute_process(COMMAND ... ${tool_run}) and then read_tool_output().
set(tool_run WORKING_DIRECTORY ${WORK} RESULT_VARIABLE code OUTPUT_FILE ${WORK}/.tool-out ERROR_FILE ${WORK}/.tool-err)
macro(read_tool_output)
  file(READ ${WORK}/.tool-out out)
  file(READ ${WORK}/.tool-err err)
endmacro()

# tool(ARGUMENTS...): runs the tool; sets code, out and err.
function(tool)
  # Run in the work folder so file arguments can be relative: the Windows
  # tool would take a Unix path's leading slash for an option.
  execute_process(COMMAND ${EMULATOR} ${TOOL} ${ARGN} ${tool_run})
  read_tool_output()
  set(code "${code}" PARENT_SCOPE)
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

# expect(WHAT CONDITION...): fails with WHAT and the tool's output unless CONDITION holds.
function(expect what)
  if(NOT (${ARGN}))
    message(FATAL_ERROR "${what}\nexit: ${code}\nstdout:\n${out}\nstderr:\n${err}")
  endif()
endfunction()
