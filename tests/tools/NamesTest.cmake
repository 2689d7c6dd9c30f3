# Names the user types in UTF-8 reach the registry in its ANSI code page and
# come back in UTF-8; a name the code page cannot hold is refused, never
# garbled; wide names keep the table's columns; a tab keeps its line's fields.
#   cmake -DTOOL=... [-DEMULATOR=...] -DWORK=<folder> -DSOURCE=<tests/tools> -P NamesTest.cmake
include(${CMAKE_CURRENT_LIST_DIR}/ToolTest.cmake)

# The code page in force, as the tool names it when it refuses a character
# no ANSI code page has (Wine takes the page from the locale, the Linux
# build from ZRADDRRES_ACP).
tool(resolve "🖨")
expect("a character no code page holds is refused, naming the code page" code EQUAL 2 AND
       err MATCHES "^zraddrres: resolve: '🖨' cannot be written in the ANSI code page (1252|932)\n$")
string(REGEX REPLACE ".* code page ([0-9]+)\n$" "\\1" acp "${err}")

# mine: a name of this run's code page; foreign: one it cannot hold. Widths
# are the columns a terminal gives them.
# dbcs: printers whose names hold a character with 0x5C, the byte of a
# backslash, as its second byte in code page 932.
set(dbcs "")
if(acp STREQUAL "932")
  set(mine "プリンタ")
  set(dbcs "表示" "ソフト" "性能")
  set(mine_width 8)
  set(foreign "Büro")
  set(server "\\\\サーバ\\プリンタ")
  set(friendly "プリンタ on サーバ")
else()
  set(mine "Büro")
  set(mine_width 4)
  set(foreign "プリンタ")
  set(server "\\\\Säle\\Büro")
  set(friendly "Büro on Säle")
endif()

set(monitor "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\HP Standard TCP/IP Port\\Ports")
set(printers "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers")
set(store "HKEY_CURRENT_USER\\Software\\ZrAddrRes")
# A version 5.00 export in UTF-8: the import writes its names in this run's code page.
file(WRITE ${WORK}/site.reg "Windows Registry Editor Version 5.00\n\n[-${store}]\n\n"
     "[${monitor}\\${mine}]\n\"IPAddress\"=\"10.2.0.1\"\n\"HostName\"=\"\"\n\n"
     "[${monitor}\\P1]\n\"IPAddress\"=\"10.2.0.2\"\n\"HostName\"=\"\"\n\n"
     "[${printers}\\${mine}]\n\"Name\"=\"${mine}\"\n\"Port\"=\"LPT1:\"\n\"Print Processor\"=\"winprint\"\n"
     "\"Datatype\"=\"RAW\"\n")
file(WRITE ${WORK}/cleanup.reg "Windows Registry Editor Version 5.00\n\n[-${monitor}\\${mine}]\n\n"
     "[-${monitor}\\${mine}A]\n\n[-${monitor}\\${mine}W]\n\n[-${monitor}\\P1]\n\n[-${printers}\\${mine}]\n\n[-${store}]\n")
foreach(name IN LISTS dbcs)
  file(APPEND ${WORK}/site.reg "\n[${printers}\\${name}]\n\"Name\"=\"${name}\"\n\"Port\"=\"LPT1:\"\n"
       "\"Print Processor\"=\"winprint\"\n\"Datatype\"=\"RAW\"\n")
  file(APPEND ${WORK}/cleanup.reg "\n[-${printers}\\${name}]\n")
endforeach()
# The same kind of name from the two forms Windows exports in: REGEDIT4 in
# the code page's own bytes (${mine}A) and version 5.00 in UTF-16LE (${mine}W).
# Copied beside the others: the Windows tool would take a path's leading slash for an option.
file(COPY ${SOURCE}/names-${acp}-regedit4.reg ${SOURCE}/names-${acp}-utf16.reg DESTINATION ${WORK})
foreach(file site.reg names-${acp}-regedit4.reg names-${acp}-utf16.reg)
  tool(reg import ${file})
  expect("reg import ${file}" code EQUAL 0)
endforeach()

# Each port, named in the user's own script, resolves.
foreach(row "${mine}=10.2.0.1" "${mine}A=10.2.1.1" "${mine}W=10.2.1.2")
  string(REPLACE "=" ";" row "${row}")
  list(GET row 0 port)
  list(GET row 1 address)
  tool(resolve ${port})
  expect("resolve ${port}" code EQUAL 0 AND out STREQUAL "${port}\t${address}\tIP\n")
endforeach()

# Refused with exit 2 and a message by the commands not seen finding a
# non-ASCII name below (resolve was refused above).
foreach(call "host;${foreign}" "store;add;${foreign};10.0.0.2" "shares;${foreign}")
  tool(${call})
  list(GET call 0 command)
  expect("${call}: a name the code page cannot hold is refused" code EQUAL 2 AND out MATCHES "^$" AND
         err MATCHES "^zraddrres: ${command}[a-z ]*: '${foreign}' cannot be written in the ANSI code page ${acp}\n$")
endforeach()

# The table pads each port name to one width in columns, not bytes: the
# monitor column starts at the same column on every line.
tool(ports --no-progress)
expect("ports" code EQUAL 0 OR code EQUAL 1)
set(start "")
foreach(row "${mine}=${mine_width}" "${mine}A=${mine_width}+1" "${mine}W=${mine_width}+1" "P1=2")
  string(REPLACE "=" ";" row "${row}")
  list(GET row 0 port)
  list(GET row 1 width)
  math(EXPR width "${width}")
  # Other columns may be wider than this monitor's name (the spooler's own ports
  # under Windows), so only the port column is measured.
  string(REGEX MATCH "\n${port}( +)HP Standard TCP/IP Port +10\\.2\\.[01]\\.[0-9] +IP " line "${out}")
  expect("the table has a line for ${port}" line MATCHES ".")
  string(LENGTH "${CMAKE_MATCH_1}" spaces)
  math(EXPR column "${width} + ${spaces}")
  if(start STREQUAL "")
    set(start ${column})
  endif()
  expect("${port}'s monitor column starts at column ${start}, not ${column}" column EQUAL start)
endforeach()

# The printer is found by its name and its port is said to be another kind.
tool(printer ${mine})
expect("printer ${mine}" code EQUAL 1 AND err MATCHES "^zraddrres: printer ${mine}: its port LPT1: is not a direct TCP/IP port")
foreach(name IN LISTS dbcs)
  tool(printer ${name})
  expect("printer ${name} (0x5C as its second byte)" code EQUAL 1 AND
         err MATCHES "^zraddrres: printer ${name}: its port LPT1: is not a direct TCP/IP port")
endforeach()

tool(store add ${server} 10.0.0.1)
expect("a UNC name in the user's script is stored" code EQUAL 0)
tool(store list)
expect("the store shows it back in UTF-8, in its stored form" out STREQUAL "${friendly}\t10.0.0.1\n")
tool(store get ${server})
expect("store get finds it by the name typed" code EQUAL 0 AND out STREQUAL "10.0.0.1\n")

# A tab inside a name keeps the line's fields: shown as \t.
tool(store add "tab\there" 10.0.0.3)
tool(store list)
expect("a tab inside a stored name is shown as \\t" out MATCHES "(^|\n)tab\\\\there\t10.0.0.3\n")
# The port of that name resolves through its stored entry.
tool(resolve "tab\there")
expect("a tab inside a port name is shown as \\t" code EQUAL 0 AND out STREQUAL "tab\\there\t10.0.0.3\tIP\n")

tool(reg import cleanup.reg)

# A site's export under audit names its ports, printers and entries as it
# likes: ESC, BEL, DEL and byte 0x9D (a C1 control, OSC, in
# 1252; in 932 the lead byte of a character) must not reach the terminal raw.
file(COPY ${SOURCE}/controls-regedit4.reg DESTINATION ${WORK})
string(ASCII 27 esc)
string(ASCII 7 bel)
string(ASCII 127 del)
if(acp STREQUAL "932")
  set(osc "拊")  # 0x9D 0x62
else()
  # Windows reads 0x9D as U+009D; iconv's 1252 has no character for it.
  set(osc "(\\\\u009d|�)b")
endif()
# expect_shown(WHAT LITERAL...): each LITERAL is in the output (as text, not
# a pattern) and no raw control character or C1 control is. A literal with a
# ] goes last: CMake splits no list after an unmatched bracket.
function(expect_shown what)
  foreach(text ${ARGN})
    string(FIND "${out}${err}" "${text}" at)
    expect("${what}: shows ${text}" NOT at EQUAL -1)
  endforeach()
  foreach(byte 27 7 127 "194;128" "194;157")
    string(ASCII ${byte} raw)
    string(FIND "${out}${err}" "${raw}" at)
    expect("${what}: no raw character ${byte}" at EQUAL -1)
  endforeach()
endfunction()
# No ; and no [ in these names: CMake would split or join its lists there.
set(title "Title\\x1b]0 owned\\x07")
set(export --registry controls-regedit4.reg)
tool(ports --no-progress ${export})
expect_shown("ports" "\n${title}  HP Standard TCP/IP Port  10.3.0.1 ")
expect("ports: the C1 or 932 name" out MATCHES "\nDel\\\\x7fx${osc} +HP Standard TCP/IP Port +10\\.3\\.0\\.2 ")
# A ] in an argument would keep CMake's lists from splitting after it: the
# tool is called directly with such a name.
set(port "Title${esc}]0 owned${bel}")
# A line feed or carriage return would start a line of its own (the Linux
# registry holds no such name: that port is configured nowhere).
execute_process(COMMAND ${EMULATOR} ${TOOL} resolve --trace "${port}" "line\nfeed\rreturn" ${export} ${tool_run})
read_tool_output()
expect("resolve: a line feed and a carriage return are shown as \\n and \\r" code EQUAL 1 AND
       out MATCHES "\nline\\\\nfeed\\\\rreturn\t-\tnone\t[^\n\r]*\n$")
expect_shown("resolve --trace" "${title}\t10.3.0.1\tIP\n")
expect_shown("resolve --trace" "start! : ${title}\n")
execute_process(COMMAND ${EMULATOR} ${TOOL} explain "${port}" ${export} ${tool_run})
read_tool_output()
expect_shown("explain" "${title}\n  answer: 10.3.0.1")
tool(who 10.3.0.1 ${export})
expect_shown("who" "Printer\\x1bc  ")
expect_shown("who" "port ${title}  ")
tool(store list ${export})
expect_shown("store list" "\t10.3.0.4\n")
expect("store list: the C1 or 932 name" out MATCHES "^Stored\\\\x1b\\[31m${osc}\t")
# reg export is data: to a file exact, to a terminal (natively, script gives
# it one) shown in UTF-8 with its names escaped.
set(ports_key "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\HP Standard TCP/IP Port\\Ports")
tool(reg export ${ports_key} ${export})
string(FIND "${out}" "\\Title${esc}]0 owned${bel}]" at)
expect("reg export to a file is exact" code EQUAL 0 AND NOT at EQUAL -1)
if(NOT EMULATOR)
  execute_process(COMMAND script -qec "'${TOOL}' reg export '${ports_key}' --registry controls-regedit4.reg" /dev/null ${tool_run})
  read_tool_output()
  expect_shown("reg export to a terminal" "[${ports_key}\\${title}]")
endif()
