# zraddrres --registry FILE: every command answers from a site's export, read
# only. The user's own registry holds other ports and entries; each case
# checks the answers come from the export alone, and the user's registry
# reads back exactly as before (natively the hive files byte for byte, no
# private folder left behind; under Wine no private key left behind). An
# export that does not parse, and the commands that only write, are refused
# before anything is done.
#   cmake -DTOOL=... [-DEMULATOR=...] -DWORK=<folder> -P RegistryExportTest.cmake
cmake_policy(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/ToolTest.cmake)

set(monitors "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors")
set(ports "${monitors}\\HP Standard TCP/IP Port\\Ports")
set(store "HKEY_CURRENT_USER\\Software\\ZrAddrRes")
set(exports "HKEY_CURRENT_USER\\Software\\ZrAddrRes Exports")
# Natively the private folder is made in TMPDIR: this test's own, to see it go.
set(ENV{TMPDIR} ${WORK}/tmp)
file(MAKE_DIRECTORY ${WORK}/tmp)

# The user's own registry: one port and one entry of its own.
file(WRITE ${WORK}/mine.reg "REGEDIT4\n\n[${ports}\\Mine-Desk]\n\"IPAddress\"=\"10.9.0.5\"\n\"HostName\"=\"\"\n\n[${store}]\n\"Mine-Recorded\"=\"10.9.0.6\"\n")
# The site's export: two HP Standard TCP/IP ports, which every Windows line reads (one by address, one whose HostName is an
# address text too, so nothing asks the name service) and one entry.
file(WRITE ${WORK}/site.reg "REGEDIT4\n\n[${ports}\\Site-Lobby]\n\"IPAddress\"=\"10.1.0.5\"\n\"HostName\"=\"\"\n\n[${ports}\\Site-Dock]\n\"IPAddress\"=\"\"\n\"HostName\"=\"10.1.0.7\"\n\n[${store}]\n\"Site-Recorded\"=\"10.1.0.9\"\n")
# Malformed at its fourth line.
file(WRITE ${WORK}/broken.reg "REGEDIT4\n\n[${ports}\\Broken]\nnot a value line\n")
file(WRITE ${WORK}/empty.reg "REGEDIT4\n\n[${store}]\n")

tool(reg import mine.reg)
expect("the user's registry must load" code EQUAL 0)

# Without an export, ports also lists the ports only the spooler knows (on
# Windows; Wine's spooler has a few local ports, its monitor named in the
# user's language), unresolved and marked; they
# leave the exit status to the ports the readers know. On the 9x line the
# library also records its PNS settings in the user's hive on first use:
# that happens here, so that the runs below, which the library writes the
# same settings in, show them landing in the private copy instead.
tool(ports --no-progress)
if(EMULATOR)
  expect("the spooler's own ports are listed, marked" out MATCHES
         "\nLPT1: +[^\n]+ \\(spooler\\) +- +none +0\\.0 +only the spooler knows it: no reader reads its monitor")
else()
  expect("ports: exit 0" code EQUAL 0)
  expect("natively no spooler has ports of its own" NOT out MATCHES "spooler")
endif()

# What tells the user's registry before and after: the default export, and
# natively the hive files themselves.
function(snapshot var)
  tool(reg export)
  expect("reg export must succeed" code EQUAL 0)
  set(text "${out}")
  if(NOT EMULATOR)
    foreach(hive HKLM HKCU)
      file(READ ${WORK}/registry/${hive}.reg bytes HEX)
      string(APPEND text "\n${hive}:${bytes}")
    endforeach()
  endif()
  set(${var} "${text}" PARENT_SCOPE)
endfunction()
snapshot(before)
string(FIND "${before}" "Mine-Desk" at)
expect("the user's port is in the registry" at GREATER -1)

# Each case: name | exit | stdout must match | stdout must not match | stderr must match | arguments...
set(cases
    "ports from the export|0|Site-Dock +HP Standard TCP/IP Port +10\\.1\\.0\\.7.*Site-Lobby +HP Standard TCP/IP Port +10\\.1\\.0\\.5.*Site-Recorded +address store +10\\.1\\.0\\.9|Mine-|^$|ports|--no-progress|--registry|site.reg"
    "the option before the command|0|\"port\": \"Site-Lobby\"|Mine-|^$|--registry=site.reg|ports|--json|--no-progress"
    "resolve|0|^Site-Dock\t10\\.1\\.0\\.7\tIP\n$|Mine-|^$|resolve|Site-Dock|--registry|site.reg"
    "a port only the user's registry has|1|^Mine-Desk\t-\t|10\\.9\\.0\\.5|^$|resolve|Mine-Desk|--registry|site.reg"
    "store list|0|^Site-Recorded\t10\\.1\\.0\\.9\n$|Mine-|^$|store|list|--registry|site.reg"
    "reg export|0|Site-Recorded|Mine-|^$|reg|export|${store}|--registry|site.reg"
    "store add refused|2|^$|.|zraddrres: store add: --registry answers from a private copy of site.reg|store|add|Site-New|10.1.0.10|--registry|site.reg"
    "reg import refused|2|^$|.|zraddrres: reg import: --registry answers from a private copy|reg|import|mine.reg|--registry|site.reg"
    "an export that does not parse|2|^$|.|zraddrres: broken.reg: line 4: |ports|--no-progress|--registry|broken.reg"
    "an export without ports|1|^$|.|zraddrres: no port found in the export empty.reg|ports|--no-progress|--registry|empty.reg"
    "a missing export|2|^$|.|zraddrres: missing.reg: cannot be read|ports|--registry|missing.reg"
    "no file|2|^$|.|zraddrres: --registry: give the FILE|ports|--registry"
    "two files|2|^$|.|zraddrres: --registry: give one export, not site.reg and mine.reg|--registry|site.reg|ports|--registry=mine.reg")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" fields "${case}")
  list(POP_FRONT fields name status want unwanted errors)
  tool(${fields})
  expect("${name}: exit ${status}" code EQUAL ${status})
  expect("${name}: the answer" out MATCHES "${want}")
  expect("${name}: nothing of the other registry" NOT out MATCHES "${unwanted}")
  expect("${name}: the messages" err MATCHES "${errors}")
  snapshot(after)
  expect("${name}: the user's registry is unchanged" after STREQUAL before)
  if(EMULATOR)
    tool(reg export "${exports}")
    expect("${name}: no private key is left behind" code EQUAL 1)
  else()
    file(GLOB left ${WORK}/tmp/*)
    expect("${name}: no private folder is left behind (${left})" "x${left}" STREQUAL "x")
  endif()
endforeach()

# An export is another machine's: this machine's spooler has no part in it.
tool(ports --no-progress --registry site.reg)
expect("ports of an export list no spooler port" NOT out MATCHES "spooler")

# printer asks the spooler for the printer's port. Natively the spooler reads
# the printers from the registry, so from the export; on Windows it is this
# machine's, which the export cannot stand in for, and the command says so.
# The port is configured as the NT line reads it (Standard TCP/IP) and as the
# 9x line does (TQP).
file(WRITE ${WORK}/printer.reg "REGEDIT4\n\n[${monitors}\\Standard TCP/IP Port\\Ports\\Site-Desk]\n\"HostName\"=\"desk.site.example\"\n\n"
     "[${monitors}\\JN TCP/IP TQP Port\\Ports]\n\"Site-Desk\"=\"desk.site.example\"\n\n"
     "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Site Printer]\n\"Port\"=\"Site-Desk\"\n")
tool(printer "Site Printer" --registry printer.reg)
if(EMULATOR)
  expect("printer with --registry is refused on Windows" code EQUAL 2 AND
         err MATCHES "^zraddrres: printer: this machine's spooler names a printer's port")
else()
  expect("printer answers from the export" code EQUAL 0 AND out MATCHES "^Site Printer\tdesk\\.site\\.example\n$")
endif()

# The page says which export it was made from, not the private copy's place.
tool(ports --no-progress --html page.html --registry site.reg)
expect("ports --html of an export" code EQUAL 0)
file(READ ${WORK}/page.html page)
expect("the page names the export" page MATCHES "the export site\\.reg")

# Under Wine the registry outlives the test: take the user's keys back out.
file(WRITE ${WORK}/cleanup.reg "REGEDIT4\n\n[-${ports}\\Mine-Desk]\n\n[${store}]\n\"Mine-Recorded\"=-\n")
tool(reg import cleanup.reg)
expect("cleaning up must succeed" code EQUAL 0)
