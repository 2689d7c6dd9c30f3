# zraddrres who and zraddrres store check over a small site's export (read
# through --registry, so the user's registry plays no part): a match by
# address, by host name (localhost, which the hosts file answers: nothing
# asks a name server), on no match, and for targets that are no address or
# host name; stored entries that are the same, drifted and stale. Names the
# hosts file does not know are looked up only in the network namespace
# (tests/netns/who-check.sh).
#   cmake -DTOOL=... [-DEMULATOR=...] -DWORK=<folder> -P AuditTest.cmake
cmake_policy(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/ToolTest.cmake)

set(hp "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\HP Standard TCP/IP Port\\Ports")
set(printers "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers")
set(store "HKEY_CURRENT_USER\\Software\\ZrAddrRes")
# HP Standard TCP/IP ports, which every Windows line reads.
function(port name address host)
  string(APPEND site "[${hp}\\${name}]\n\"IPAddress\"=\"${address}\"\n\"HostName\"=\"${host}\"\n\n")
  set(site "${site}" PARENT_SCOPE)
endfunction()
function(printer name port)
  string(APPEND site "[${printers}\\${name}]\n\"Port\"=\"${port}\"\n\n")
  set(site "${site}" PARENT_SCOPE)
endfunction()
set(site "REGEDIT4\n\n")
port(Lobby 10.1.0.5 "")
port(Lobby-Annex 10.1.0.5 "")
port(Desk "" localhost)
port(Dock 10.1.0.7 "")
port(Lab6 "fd00:10::21" "")
port(Octal "010.1.0.5" "")  # the socket library reads 010 as octal: 8.1.0.5
printer("Lobby Laser" Lobby)
printer("Desk Jet" Desk)
printer("Basement Ink" "LPT1:")
string(APPEND site "[${store}]\n")
set(entries
    "Lobby=10.1.0.5"               # same, by address
    "Desk Jet=localhost"           # same: a printer's entry holding a host name
    "Dock=10.1.0.99"               # drifted
    "Gone=10.1.0.50"               # stale: no such port or printer
    "Rec_IPX=00001234:0080c7d4e5f6"  # stale, an IPX address
    "Rec_Node=0080C7D4E5F6:00001234"  # stale, the same IPX address as node:network
    "Lab6=FD00:0010:0:0:0:0:0:0021")  # same, spelled out
foreach(entry IN LISTS entries)
  string(REPLACE "=" "\"=\"" line "${entry}")
  string(APPEND site "\"${line}\"\n")
endforeach()
file(WRITE ${WORK}/site.reg "${site}")
# The same site once the drifted entry is set right.
string(REPLACE "\"Dock\"=\"10.1.0.99\"" "\"Dock\"=\"10.1.0.7\"" fixed "${site}")
file(WRITE ${WORK}/fixed.reg "${fixed}")

# --- who. Each case: name | exit | stdout must match | stderr must match | arguments...
set(cases
    "by address|0|port +Lobby +HP Standard TCP/IP Port +10\\.1\\.0\\.5 +address\nport +Lobby-Annex +HP Standard TCP/IP Port +10\\.1\\.0\\.5 +address\nprinter +Lobby Laser +port Lobby +10\\.1\\.0\\.5 +port\nstored +Lobby +address store +10\\.1\\.0\\.5 +address\n$|^$|who|10.1.0.5"
    "by host name|0|port +Desk +HP Standard TCP/IP Port +127\\.0\\.0\\.1 +address\nprinter +Desk Jet +port Desk +127\\.0\\.0\\.1 +port\nstored +Desk Jet +address store \\(localhost\\) +127\\.0\\.0\\.1 +host name\n$|^$|who|localhost"
    "an address a stored host name has|0|port +Desk .*stored +Desk Jet +address store \\(localhost\\) +127\\.0\\.0\\.1 +address\n$|^$|who|127.0.0.1"
    "an IPX address, case ignored|0|^WHAT.*\nstored +Rec_IPX +address store +00001234:0080c7d4e5f6 +address\nstored +Rec_Node +address store +0080C7D4E5F6:00001234 +address +the same address as 00001234:0080C7D4E5F6, written another way\n$|^$|who|00001234:0080C7D4E5F6"
    # Spellings of one address: each finds the port and the entry however they are written.
    "IPv6 in full|0|^WHAT.*\nport +Lab6 +HP Standard TCP/IP Port +fd00:10::21 +address +the same address as fd00:10:0:0:0:0:0:21, written another way\nstored +Lab6 +address store +FD00:0010:0:0:0:0:0:0021 +address +the same address as fd00:10:0:0:0:0:0:21, written another way \\(fd00:10::21\\)\n$|^$|who|fd00:10:0:0:0:0:0:21"
    "IPv6 with leading zeros|0|^WHAT.*\nport +Lab6 +.* +fd00:10::21 +address +the same address as fd00:0010::0021, written another way\nstored +Lab6 +.*\n$|^$|who|fd00:0010::0021"
    "IPv6 as configured|0|^WHAT.*\nport +Lab6 +HP Standard TCP/IP Port +fd00:10::21 +address\nstored +Lab6 +.* +the same address as fd00:10::21, written another way\n$|^$|who|fd00:10::21"
    "IPX as node:network|0|^WHAT.*\nstored +Rec_IPX +address store +00001234:0080c7d4e5f6 +address +the same address as 0080c7d4e5f6:00001234, written another way\nstored +Rec_Node +address store +0080C7D4E5F6:00001234 +address\n$|^$|who|0080c7d4e5f6:00001234"
    "IPv4 with zeros that change nothing|0|^WHAT.*\nport +Lobby +.* +10\\.1\\.0\\.5 +address +the same address as 10\\.001\\.000\\.005, written another way\n|^$|who|10.001.000.005"
    "a part with a leading zero is octal|0|^WHAT.*\nport +Octal +HP Standard TCP/IP Port +010\\.1\\.0\\.5 +address +the same address as 8\\.1\\.0\\.5, written another way: 010\\.1\\.0\\.5 is the address 8\\.1\\.0\\.5: the socket library reads a part with a leading zero as octal\n$|^$|who|8.1.0.5"
    "an octal target is said to be one|0|^WHAT.*\nport +Octal +.* +010\\.1\\.0\\.5 +address\n$|^zraddrres: who: note: 010\\.1\\.0\\.5 is the address 8\\.1\\.0\\.5: the socket library reads a part with a leading zero as octal\n$|who|010.1.0.5"
    "a dotted text the socket library cannot read is compared as written|1|^$|^zraddrres: who: note: 10\\.1\\.0\\.08 is no address the socket library reads.*\nzraddrres: who: nothing leads to 10\\.1\\.0\\.08\n$|who|10.1.0.08"
    "nothing matches|1|^$|zraddrres: who: nothing leads to 10\\.200\\.0\\.1\n|who|10.200.0.1"
    "JSON|0|\"address\": \"10\\.1\\.0\\.7\",\n  \"matches\": .*\"name\": \"Dock\",.*\"what\": \"port\".*\"target\": \"10\\.1\\.0\\.7\"|^$|who|10.1.0.7|--json"
    "CSV|0|^what,name,where,address,match,detail\nport,Dock,HP Standard TCP/IP Port,10\\.1\\.0\\.7,address,\n$|^$|who|--csv|10.1.0.7"
    "a port name|2|^$|zraddrres: who: '\\\\\\\\srv\\\\q' is neither an address|who|\\\\srv\\q"
    "an address with a port number|2|^$|zraddrres: who: '10\\.1\\.0\\.5:80' is neither an address|who|10.1.0.5:80"
    "two words|2|^$|zraddrres: who: 'a b' is neither an address|who|a b"
    "no target|2|^$|zraddrres: who: give the TARGET|who")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" fields "${case}")
  list(POP_FRONT fields name status want errors)
  tool(${fields} --registry site.reg)
  expect("who, ${name}: exit ${status}" code EQUAL ${status})
  expect("who, ${name}: the matches" out MATCHES "${want}")
  expect("who, ${name}: the messages" err MATCHES "${errors}")
endforeach()

# --- store check: each entry's state, and the exit status the drifted one sets.
tool(store check --registry site.reg)
expect("store check: a drifted entry ends with 1" code EQUAL 1)
foreach(line
    "same +Lobby +Lobby +10\\.1\\.0\\.5 +10\\.1\\.0\\.5"
    "same +Desk Jet +Desk \\(printer Desk Jet\\) +localhost +127\\.0\\.0\\.1 +the stored host localhost has the address 127\\.0\\.0\\.1"
    "drifted +Dock +Dock +10\\.1\\.0\\.99 +10\\.1\\.0\\.7"
    "stale +Gone +- +10\\.1\\.0\\.50 +- +no monitor configures a port of this name, and no printer has it"
    "stale +Rec_IPX +- +00001234:0080c7d4e5f6"
    "same +Lab6 +Lab6 +FD00:0010:0:0:0:0:0:0021 +fd00:10::21 +the same address, written another way")
  expect("store check: a line ${line}" out MATCHES "\n${line}")
endforeach()
tool(store check --json --registry site.reg)
expect("store check --json: exit 1" code EQUAL 1)
expect("store check --json: the drifted entry with both values" out MATCHES
       "\"entry\": \"Dock\",\n *\"now\": \"10\\.1\\.0\\.7\",\n *\"port\": \"Dock\",\n *\"printer\": null,\n *\"state\": \"drifted\",\n *\"stored\": \"10\\.1\\.0\\.99\"")
tool(store check --registry fixed.reg)
expect("store check: without a drifted entry, exit 0 (stale ones are listed, not failed)" code EQUAL 0)
expect("store check: the entry set right is the same" out MATCHES "\nsame +Dock +Dock +10\\.1\\.0\\.7 +10\\.1\\.0\\.7")
tool(store check extra --registry site.reg)
expect("store check takes no argument" code EQUAL 2)

# --- The IPX search (resolve --ipx) reads the direct-print monitor and
# NetWare, never the store: an entry there is not what failed. Neither asks
# a name server. (A ";" would split expect's arguments: "." stands for it.)
tool(resolve --ipx Rec_IPX "\\\\srv\\q" --registry site.reg)
expect("resolve --ipx: nothing found" code EQUAL 1)
expect("resolve --ipx: a stored entry is no reason" NOT out MATCHES "stored entry is not an address")
expect("resolve --ipx: the entry's port, and that the search does not read the store" out MATCHES
       "^Rec_IPX\t-\tnone\tnot configured under any monitor the IPX search reads on the [^\n]* line \\([^\n]*Spoolbridge Port\\), nor under any other. NetWare did not find it. the store holds an entry, but the IPX search does not read the store\n")
expect("resolve --ipx: a UNC port, NetWare alone" out MATCHES
       "\n\\\\\\\\srv\\\\q\t-\tnone\tno reader found the device \\(NetWare\\). the IPX search does not read the store\n$")
