# zraddrres store list: an entry longer than the store reads is reported, not
# left out unseen; a store that cannot be read ends the listing at once with
# the registry's message and exit status 1.
#   cmake -DTOOL=... [-DEMULATOR=...] -DWORK=<folder> -P StoreListTest.cmake
include(${CMAKE_CURRENT_LIST_DIR}/ToolTest.cmake)

function(import text)
  file(WRITE ${WORK}/import.reg "REGEDIT4\n\n${text}")
  tool(reg import import.reg)
  expect("reg import failed" code EQUAL 0)
endfunction()

string(REPEAT "x" 1500 long)
import("[-HKEY_CURRENT_USER\\Software\\ZrAddrRes]\n\n[HKEY_CURRENT_USER\\Software\\ZrAddrRes]\n\"queue on srv\"=\"10.0.0.4\"\n\"Long entry\"=\"${long}\"\n\"PNS\"=dword:00000001\n\"PNSServer\"=\"pns-a\"\n")
tool(store list)
expect("a listing with an unreadable entry must end with 1" code EQUAL 1)
expect("the readable entry is listed" out MATCHES "queue on srv\t10.0.0.4")
expect("only readable entries are listed, not the PNS settings" NOT out MATCHES "Long entry|PNS")
expect("the long entry is reported" err MATCHES "Long entry holds 1501 bytes")

# Natively a hive can turn malformed under the tool.
if(NOT EMULATOR)
  file(WRITE ${WORK}/registry/HKCU.reg "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\ZrAddrRes]\nnot a value line\n")
  tool(store list)
  expect("a malformed hive ends the listing with 1" code EQUAL 1)
  expect("the message names the file and line" err MATCHES "HKCU.reg:4")
  file(REMOVE ${WORK}/registry/HKCU.reg)
endif()

# No store at all is an empty list.
import("[-HKEY_CURRENT_USER\\Software\\ZrAddrRes]\n")
tool(store list)
expect("an absent store lists nothing and succeeds" code EQUAL 0)
expect("an absent store lists nothing" out MATCHES "^$")
