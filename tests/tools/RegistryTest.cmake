# zraddrres reg import / reg export and the registry the tool says it read:
# what an import reports, what a second site's export leaves of the first one
# merged or with --replace, an export that imports back to the same text, a
# missing key, and ports on a registry without ports.
#   cmake -DTOOL=... [-DEMULATOR=...] -DWORK=<folder> -DSOURCE=<tests/tools> -P RegistryTest.cmake
cmake_policy(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/ToolTest.cmake)
if(EMULATOR)
  set(where "the Windows registry")
else()
  set(where "${WORK}/registry")
endif()

# expect_text(WHAT TEXT HAYSTACK): TEXT appears literally (registry paths hold backslashes).
function(expect_text what text haystack)
  string(FIND "${haystack}" "${text}" at)
  expect("${what}: no \"${text}\"" at GREATER -1)
endfunction()

function(expect_no_text what text haystack)
  string(FIND "${haystack}" "${text}" at)
  expect("${what}: \"${text}\" should be gone" at EQUAL -1)
endfunction()

set(ports "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports")
set(settings "HKEY_LOCAL_MACHINE\\Software\\ZrAddrRes")
set(store "HKEY_CURRENT_USER\\Software\\ZrAddrRes")

# Two sites' exports, as reg export writes them: each key under its own
# [key] line, so their top keys are the ports key and the two ZrAddrRes keys.
file(WRITE ${WORK}/site-a.reg "REGEDIT4\n\n[${ports}]\n\n[${ports}\\SiteA-Lobby]\n\"IPAddress\"=\"10.1.0.5\"\n\"HostName\"=\"\"\n\n[${settings}]\n\"GetIPAddress Timeout\"=dword:00000003\n\n[${store}]\n\"queue on site-a\"=\"10.1.0.9\"\n")
file(WRITE ${WORK}/site-b.reg "REGEDIT4\n\n[${ports}]\n\n[${ports}\\SiteB-Dock]\n\"IPAddress\"=\"10.2.0.5\"\n\"HostName\"=\"\"\n\n[${store}]\n\"queue on site-b\"=\"10.2.0.9\"\n")
# Only the user's hive.
file(WRITE ${WORK}/user-c.reg "REGEDIT4\n\n[${store}]\n\"queue on user-c\"=\"10.3.0.9\"\n")
# Only the time-out settings of the machine hive.
file(WRITE ${WORK}/settings-d.reg "REGEDIT4\n\n[${settings}]\n\"GetIPAddress Timeout\"=dword:00000004\n")

# What the registry holds of both sites, as the default export shows it.
function(holdings)
  tool(reg export)
  expect("reg export must succeed" code EQUAL 0)
  set(out "${out}" PARENT_SCOPE)
endfunction()

# --- ports on a registry without any port names the registry and the way to fill it.
file(COPY ${SOURCE}/no-ports.reg DESTINATION ${WORK})
tool(reg import no-ports.reg)
expect("clearing the ports must succeed" code EQUAL 0)
tool(ports --no-progress)
expect("ports finding nothing ends with 1" code EQUAL 1)
expect_text("the message names the registry read" "no port found in ${where}" "${err}")
expect_text("the message points at reg import" "zraddrres reg import FILE" "${err}")

# --- The import's report, and a second site merged or replacing.
# Each case: the second file, whether it replaces, its report, and what the
# registry then holds and no longer holds. Every case starts from site A
# alone (site A imported with --replace).
#   name | file | --replace | report | present (;-list) | gone (;-list)
if(EMULATOR)
  # Windows cannot empty a hive: only the text's top keys are replaced, and
  # the time-out settings are none of site B's, the ports none of settings-d's.
  set(b_kept "dword:00000003")
  set(b_gone "")
  set(d_kept "SiteA-Lobby")
  set(d_gone "")
else()
  set(b_kept "")
  set(b_gone "dword:00000003")
  set(d_kept "")
  set(d_gone "SiteA-Lobby")
endif()
set(cases
    "merged|site-b.reg|0|loaded site-b.reg: 3 keys, 3 values, merged into ${where}|SiteA-Lobby|SiteB-Dock|queue on site-a|queue on site-b|dword:00000003|-|"
    "replaced|site-b.reg|1|loaded site-b.reg: 3 keys, 3 values, replaced in ${where}|SiteB-Dock|queue on site-b|${b_kept}|-|SiteA-Lobby|queue on site-a|${b_gone}"
    "user hive replaced|user-c.reg|1|loaded user-c.reg: 1 key, 1 value, replaced in ${where}|SiteA-Lobby|queue on user-c|dword:00000003|-|queue on site-a"
    "machine settings replaced|settings-d.reg|1|loaded settings-d.reg: 1 key, 1 value, replaced in ${where}|dword:00000004|queue on site-a|${d_kept}|-|dword:00000003|${d_gone}")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" fields "${case}")
  list(POP_FRONT fields name file replace report)
  list(FIND fields "-" split)
  list(SUBLIST fields 0 ${split} present)
  math(EXPR after "${split} + 1")
  list(SUBLIST fields ${after} -1 gone)

  tool(reg import --replace site-a.reg)
  expect("${name}: site A must load" code EQUAL 0)
  expect_text("${name}: site A's report" "loaded site-a.reg: 4 keys, 4 values, replaced in ${where}" "${err}")

  if(replace)
    tool(reg import --replace ${file})
  else()
    tool(reg import ${file})
  endif()
  expect("${name}: the import must succeed" code EQUAL 0)
  expect_text("${name}: the report" "zraddrres: ${report}" "${err}")
  holdings()
  foreach(text IN LISTS present)
    if(NOT text STREQUAL "")
      expect_text("${name}: kept" "${text}" "${out}")
    endif()
  endforeach()
  foreach(text IN LISTS gone)
    if(NOT text STREQUAL "")
      expect_no_text("${name}: replaced" "${text}" "${out}")
    endif()
  endforeach()
endforeach()
if(NOT EMULATOR)
  # Natively the report names the hive files it wrote, only those.
  tool(reg import --replace user-c.reg)
  expect_text("the user hive's file is named" "replaced in ${WORK}/registry (HKCU.reg)" "${err}")
  tool(reg import site-a.reg)
  expect_text("both hives' files are named" "merged into ${WORK}/registry (HKLM.reg, HKCU.reg)" "${err}")
endif()

# --- A file whose top key is a whole hive: natively that hive is replaced;
# Windows refuses before changing anything, a hive there holds far more.
file(WRITE ${WORK}/whole-hive.reg "REGEDIT4\n\n[HKEY_CURRENT_USER]\n\n[${store}]\n\"queue on whole\"=\"10.4.0.9\"\n")
tool(reg import --replace site-a.reg)
tool(reg import --replace whole-hive.reg)
holdings()
if(EMULATOR)
  expect("a whole hive is refused on Windows" code EQUAL 1)
  expect_text("the refusal says why" "a whole hive is not replaced on Windows" "${err}")
  expect_text("the refused file changed nothing" "queue on site-a" "${out}")
  expect_no_text("the refused file changed nothing" "queue on whole" "${out}")
else()
  expect("a whole hive is replaced natively" code EQUAL 0)
  expect_text("the hive holds the file" "queue on whole" "${out}")
  expect_no_text("the hive holds the file only" "queue on site-a" "${out}")
endif()

# --- A key is exported under its stored name, whatever case it is asked in.
tool(reg import --replace site-a.reg)
tool(reg export hkcu\\SOFTWARE\\zraddrres)
expect("an existing key exports" code EQUAL 0)
expect_text("the key keeps its stored case" "[${store}]" "${out}")

# --- A missing key is said to be missing.
tool(reg export "${settings}\\NoSuchKey")
expect("a missing key ends with 1" code EQUAL 1)
expect_text("the message names the key" "zraddrres: reg export: no key ${settings}\\NoSuchKey" "${err}")
expect("a missing key prints no text" out MATCHES "^$")

# --- The default export imports back to the same text. Natively into an
# empty registry of its own; under Wine, where the registry cannot be
# emptied, merged back into the one it came from.
tool(reg import --replace site-a.reg)
holdings()
set(first "${out}")
# Wine stores HKEY_LOCAL_MACHINE\SYSTEM as "System", and the export says so.
string(TOLOWER "${first}" lower)
foreach(key "${ports}" "${settings}" "${store}")
  string(TOLOWER "[${key}]" key)
  expect_text("the default export covers the library's keys" "${key}" "${lower}")
endforeach()
file(WRITE ${WORK}/round-trip.reg "${first}")
if(NOT EMULATOR)
  set(ENV{ZRADDRRES_REGISTRY} ${WORK}/empty)
endif()
tool(reg import round-trip.reg)
expect("the export imports back" code EQUAL 0)
holdings()
expect("exporting the imported export gives the same text" out STREQUAL first)
set(ENV{ZRADDRRES_REGISTRY} ${WORK}/registry)

# Under Wine the registry outlives the test: take site A's keys back out.
file(WRITE ${WORK}/cleanup.reg "REGEDIT4\n\n[-${ports}\\SiteA-Lobby]\n[-${settings}]\n[-${store}]\n")
tool(reg import cleanup.reg)
expect("cleaning up must succeed" code EQUAL 0)
