# Wrong calls name the word the tool did not know and what it knows, start
# with "zraddrres:", and end with exit status 2; --version and --help answer.
#   cmake -DTOOL=... [-DEMULATOR=...] -DWORK=<folder> -P UsageTest.cmake
include(${CMAKE_CURRENT_LIST_DIR}/ToolTest.cmake)

# A printer whose port is no direct TCP/IP port, and no store entries.
set(printer "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\ZrTool Desk Printer")
file(WRITE ${WORK}/site.reg "REGEDIT4\n\n[-HKEY_CURRENT_USER\\Software\\ZrAddrRes]\n\n[${printer}]\n"
     "\"Name\"=\"ZrTool Desk Printer\"\n\"Port\"=\"LPT1:\"\n\"Print Processor\"=\"winprint\"\n\"Datatype\"=\"RAW\"\n")
file(WRITE ${WORK}/cleanup.reg "REGEDIT4\n\n[-${printer}]\n")
tool(reg import site.reg)
expect("reg import" code EQUAL 0)

# case(EXIT PATTERN ARGUMENTS...): the tool's standard error (or, for exit 0,
# its output) matches PATTERN.
function(case exit pattern)
  tool(${ARGN})
  set(said "${err}")
  if(exit EQUAL 0)
    set(said "${out}")
  endif()
  if(NOT code EQUAL exit OR NOT said MATCHES "${pattern}")
    message(SEND_ERROR "zraddrres ${ARGN}: expected exit ${exit} and /${pattern}/\nexit: ${code}\nstdout:\n${out}\nstderr:\n${err}")
  endif()
  if(NOT exit EQUAL 0 AND NOT err MATCHES "^zraddrres: ")
    message(SEND_ERROR "zraddrres ${ARGN}: the message does not start with zraddrres:\n${err}")
  endif()
endfunction()

case(2 "unknown command 'bogus'. the commands are: resolve, explain, host, reverse, pns, printer, ports, shares, who, store, reg" bogus)
case(2 "^zraddrres: reg: unknown command 'bogus'. the commands are: import, export" reg bogus)
case(2 "^zraddrres: reg: give a command: import, export" reg)
case(2 "^zraddrres: give a command: resolve" )
case(2 "^zraddrres: unknown option '--bogus'. its options are: --help, --version, --registry, and the commands are: resolve" --bogus)
case(2 "^zraddrres: reg: unknown option '--bogus'. its options are: --help, and the commands are: import, export" reg --bogus)
case(2 "^zraddrres: resolve: give at least one PORT" resolve)
case(2 "^zraddrres: explain: give at least one PORT" explain)
case(2 "^zraddrres: host: unexpected argument 'b' \\(usage: zraddrres host \\[OPTIONS\\] NAME\\)" host a b)
case(2 "^zraddrres: store: unknown action 'bogus'. the actions are: list, get, add, rename, remove, check" store bogus)
case(2 "^zraddrres: pns: give a UNC name" pns queue)
case(2 "^zraddrres: resolve: .*--bogus.*its options are: .*--ipx" resolve --bogus LPT1:)
case(2 "^zraddrres: host: .*-5" host --timeout -5 localhost)
case(2 "^zraddrres: ports: --jobs" ports --jobs 0)
case(1 "^zraddrres: store get: no entry named Nope. see zraddrres store list" store get Nope)
case(1 "^zraddrres: store remove: no entry named Nope. see zraddrres store list" store remove Nope)
case(1 "^zraddrres: store rename: no entry named Nope. see zraddrres store list" store rename Nope Other)
case(1 "^zraddrres: store get: no entry named q on srv \\(the store's name for [\\]+srv[\\]q\\)" store get \\\\srv\\q)
case(1 "^zraddrres: printer Nope: no such printer" printer Nope)
case(1 "^zraddrres: printer ZrTool Desk Printer: its port LPT1: is not a direct TCP/IP port" printer "ZrTool Desk Printer")
case(0 "^zraddrres [0-9]+\\.[0-9]+\\.[0-9]+\n$" --version)
case(0 "Usage: zraddrres .*Exit status:.*0  everything.*1  something.*2  bad usage.*ZRADDRRES_REGISTRY.*ZRADDRRES_WINVER.*ZRADDRRES_ACP.*ZRLOGGING_DIR.*ZRLOGGING_LEVEL" --help)
case(0 "^[^\n]*\nUsage: zraddrres resolve \\[OPTIONS\\] ports" resolve --help)

# The Linux build acts as the Windows line and code page these name.
if(NOT EMULATOR)
  set(ENV{ZRADDRRES_WINVER} win7)
  case(2 "^zraddrres: ZRADDRRES_WINVER=win7 is no Windows line. use one of win95, win98, winme, nt40, win2k, win10" store list)
  unset(ENV{ZRADDRRES_WINVER})
  set(ENV{ZRADDRRES_ACP} 65001)
  case(2 "ZRADDRRES_ACP=65001 .*use one of 1252, 932" store list)
endif()

tool(reg import cleanup.reg)
