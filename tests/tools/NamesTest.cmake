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
