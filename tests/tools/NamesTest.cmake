# Names the user types in UTF-8 reach the registry in its ANSI code page and
# come back in UTF-8; a name the code page cannot hold is refused, never
# garbled; wide names keep the table's columns; a tab keeps its line's fields.
#   cmake -DTOOL=... [-DEMULATOR=...] -DWORK=<folder> -P NamesTest.cmake
include(${CMAKE_CURRENT_LIST_DIR}/ToolTest.cmake)

# The code page of this run: Wine takes it from the locale, the Linux build
# from ZRADDRRES_ACP.
if(EMULATOR)
  set(acp 1252)
  if("$ENV{LANG}" MATCHES "^ja_JP")
    set(acp 932)
  endif()
elseif("$ENV{ZRADDRRES_ACP}" STREQUAL "932")
  set(acp 932)
else()
  set(acp 1252)
endif()

if(acp STREQUAL "932")
  set(mine "プリンタ")
  set(foreign "Büro")
  set(server "\\\\サーバ\\プリンタ")
  set(friendly "プリンタ on サーバ")
else()
  set(mine "Büro")
  set(foreign "プリンタ")
  set(server "\\\\Säle\\Büro")
  set(friendly "Büro on Säle")
endif()

set(monitor "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\HP Standard TCP/IP Port\\Ports")
set(store "HKEY_CURRENT_USER\\Software\\ZrAddrRes")
# A version 5.00 export in UTF-8: the import writes its names in this run's code page.
file(WRITE ${WORK}/site.reg "Windows Registry Editor Version 5.00\n\n[-${store}]\n\n[${monitor}\\${mine}]\n\"IPAddress\"=\"10.2.0.1\"\n\"HostName\"=\"\"\n\n[${monitor}\\P1]\n\"IPAddress\"=\"10.2.0.2\"\n\"HostName\"=\"\"\n")
file(WRITE ${WORK}/cleanup.reg "Windows Registry Editor Version 5.00\n\n[-${monitor}\\${mine}]\n\n[-${monitor}\\P1]\n\n[-${store}]\n")
tool(reg import site.reg)
expect("reg import" code EQUAL 0)

tool(resolve ${mine})
expect("a port named in the user's own script resolves" code EQUAL 0 AND out STREQUAL "${mine}\t10.2.0.1\tIP\n")
tool(resolve ${foreign})
expect("a name the code page cannot hold is refused" code EQUAL 2 AND err MATCHES "cannot be written in the ANSI code page ${acp}")

tool(ports --no-progress)
# プリンタ is eight columns wide (Büro four, so the header's PORT sets the width there).
if(acp STREQUAL "932")
  expect("a wide name is padded by its width" out MATCHES "\nプリンタ  HP Standard TCP/IP Port  10\\.2\\.0\\.1" AND
         out MATCHES "\nP1        HP Standard TCP/IP Port  10\\.2\\.0\\.2")
else()
  expect("names are padded by their width" out MATCHES "\nBüro  HP Standard TCP/IP Port  10\\.2\\.0\\.1" AND
         out MATCHES "\nP1    HP Standard TCP/IP Port  10\\.2\\.0\\.2")
endif()

tool(store add ${server} 10.0.0.1)
expect("a UNC name in the user's script is stored" code EQUAL 0)
tool(store list)
expect("the store shows it back in UTF-8, in its stored form" out STREQUAL "${friendly}\t10.0.0.1\n")
tool(store add ${foreign} 10.0.0.2)
expect("an entry the code page cannot name is refused" code EQUAL 2)
tool(store add "tab\there" 10.0.0.3)
tool(store list)
expect("a tab inside a name is shown as \\t" out MATCHES "(^|\n)tab\\\\there\t10.0.0.3\n")

tool(reg import cleanup.reg)
