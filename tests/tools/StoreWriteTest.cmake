# zraddrres store add and rename never replace another entry unless told to,
# and say what they replaced; an empty name is refused; a value that is no
# address text, and a name the fallback will not find, are pointed out.
#   cmake -DTOOL=... [-DEMULATOR=...] -DWORK=<folder> -P StoreWriteTest.cmake
include(${CMAKE_CURRENT_LIST_DIR}/ToolTest.cmake)

# expect_value(NAME VALUE): the store holds VALUE under NAME.
function(expect_value name value)
  tool(store get ${name})
  expect("${name} should hold ${value}" code EQUAL 0 AND out STREQUAL "${value}\n")
endfunction()

file(WRITE ${WORK}/empty.reg "REGEDIT4\n\n[-HKEY_CURRENT_USER\\Software\\ZrAddrRes]\n")
tool(reg import empty.reg)
expect("clearing the store" code EQUAL 0)

tool(store add Front 10.0.0.1)
expect("a new entry is added" code EQUAL 0 AND err MATCHES "^$")
tool(store add Front 10.0.0.2)
expect("add onto an entry is refused" code EQUAL 1 AND err MATCHES "already an entry Front \\(10.0.0.1\\). give --force")
expect_value(Front 10.0.0.1)
tool(store add --force Front 10.0.0.2)
expect("a forced add says what it replaced" code EQUAL 0 AND err MATCHES "replaced the entry Front, which held 10.0.0.1")
expect_value(Front 10.0.0.2)

tool(store add Back 10.0.0.3)
tool(store rename Front Back)
expect("rename onto another entry is refused" code EQUAL 1 AND err MATCHES "already an entry Back \\(10.0.0.3\\)")
expect_value(Front 10.0.0.2)
expect_value(Back 10.0.0.3)
tool(store rename --force Front Back)
expect("a forced rename says what it replaced" code EQUAL 0 AND err MATCHES "replaced the entry Back, which held 10.0.0.3")
expect_value(Back 10.0.0.2)
tool(store get Front)
expect("the old name is gone after a rename" NOT code EQUAL 0)
# Another case of the same name is the same value: nothing to replace.
tool(store rename Back BACK)
expect("a rename to another case needs no --force" code EQUAL 0 AND err MATCHES "^$")
expect_value(BACK 10.0.0.2)

# An empty argument cannot travel in a CMake list, so these spell it out.
function(tool_with_empty action first other)
  set(command ${EMULATOR} ${TOOL} store ${action})
  if(first)
    execute_process(COMMAND ${command} "" ${other} ${tool_run})
  else()
    execute_process(COMMAND ${command} ${other} "" ${tool_run})
  endif()
  read_tool_output()
  expect("an empty name is refused (${action}, first: ${first})" code EQUAL 2 AND err MATCHES "a name cannot be empty")
endfunction()
tool_with_empty(add TRUE 10.0.0.9)
tool_with_empty(rename TRUE BACK)
tool_with_empty(rename FALSE BACK)
tool_with_empty(get TRUE "")
tool_with_empty(remove TRUE "")
# The PNS settings share the store's key; an entry named like one would be
# overwritten by the next UNC lookup, which also switches discovery back on.
file(WRITE ${WORK}/pns.reg "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\ZrAddrRes]\n\"PNS\"=dword:00000000\n")
tool(reg import pns.reg)
foreach(call "add;pnsserver;10.0.0.9" "add;--force;PNS;10.0.0.9" "add;PnsDeviceAddress;10.0.0.9"
             "rename;BACK;pns" "rename;PNS;Elsewhere")
  tool(store ${call})
  list(GET call 0 action)
  expect("${call}: a PNS setting's name is refused" code EQUAL 2 AND out MATCHES "^$" AND
         err MATCHES "^zraddrres: store ${action}: [A-Za-z]+ is the name of a PNS setting kept in the store's key")
endforeach()
tool(reg export "HKEY_CURRENT_USER\\Software\\ZrAddrRes")
expect("the PNS switch is left as it was" out MATCHES "\"PNS\"=dword:00000000")
tool(store list)
expect("refused commands change nothing" code EQUAL 0 AND out MATCHES "^(Back|BACK)\t10.0.0.2\n$")

tool(store add Lab printer1.example)
expect("a host name is stored, with a warning" code EQUAL 0 AND err MATCHES "printer1.example is neither an IP address nor an IPX address")
foreach(value 10.1.2.3 fd00::1 00001234:0080c7a1b2c3 0080c7a1b2c3:00001234)
  tool(store add --force Lab ${value})
  expect("${value} is an address text" code EQUAL 0 AND NOT err MATCHES "neither")
endforeach()

tool(store add "\\\\srv\\queue" 10.1.2.4)
expect("a UNC name is kept under its printer-friendly name, said so" code EQUAL 0 AND err MATCHES "kept as \"queue on srv\"")
expect_value("queue on srv" 10.1.2.4)

tool(reg import empty.reg)
