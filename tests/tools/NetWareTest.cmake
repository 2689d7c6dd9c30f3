# resolve --ipx against a described NetWare network: the client stand-in
# answers only when --netware-network names the network, and --trace shows
# the NetWare steps and the client calls. Only the IPX search runs: no name
# service is asked for the UNC names.
#   cmake -DTOOL=... [-DEMULATOR=...] -DWORK=<folder> -P NetWareTest.cmake
include(${CMAKE_CURRENT_LIST_DIR}/ToolTest.cmake)

file(WRITE ${WORK}/site.txt "primary FS1
whoami Admin.Sales.Acme
server FS1
object ACME_TREE_______________________ 0x7802
object PS1 0x0905 address 01020304:0A5C3E000001:8060
object PS2 0xAD05 address 01020304:02A7F1000002:8060
object Q1 0x0300 attached PS1
tree ACME_TREE
container Acme Organization
container Sales.Acme
object Q2.Sales.Acme Queue
value Server 1 PS2.Sales.Acme
value User 1 Sales.Acme
")

tool(resolve --ipx --netware-network site.txt "\\\\FS1\\Q1" "\\\\ACME_TREE\\Acme\\Sales\\Q2")
expect("both ports resolve through NetWare" code EQUAL 0)
expect("the bindery queue's print server" out MATCHES "FS1\\\\Q1\t01020304:0a5c3e000001\tNetWare")
expect("the directory queue's print server" out MATCHES "Q2\t01020304:02a7f1000002\tNetWare")

tool(resolve --ipx --json --netware-network site.txt "\\\\FS1\\Q9")
expect("a queue without a print server is not found" code EQUAL 1)
expect("its kind is none" out MATCHES "\"kindName\": \"none\"")

tool(resolve --ipx --trace --netware-network site.txt "\\\\FS1\\Q1")
expect("the trace names the NetWare step" err MATCHES "GetIPXAddressFromNetWarePort\\(\\) start!! : \\\\\\\\FS1\\\\Q1")
expect("the trace lists the client's calls" err MATCHES "\\[NetWare client\\] NWReadQueueCurrentStatus2")

# Without the option no NetWare client is there, and nothing is found.
tool(resolve --ipx "\\\\FS1\\Q1")
expect("without a described network NetWare is not used" code EQUAL 1)
expect("no client calls" NOT err MATCHES "NetWare client")

# A client install without one of its libraries: the table does not load.
file(READ ${WORK}/site.txt site)
file(WRITE ${WORK}/broken.txt "${site}missing netwin32.dll\n")
tool(resolve --ipx --trace --netware-network broken.txt "\\\\FS1\\Q1")
expect("without netwin32.dll nothing is found" code EQUAL 1)
expect("and no client call is made" NOT err MATCHES "NetWare client")

# A description the stand-in cannot read is named with its line, and serves an empty network.
file(WRITE ${WORK}/wrong.txt "server FS1\nprimary FS9\nobject Q1 0x0300\n")
tool(resolve --ipx --netware-network wrong.txt "\\\\FS1\\Q1")
expect("a wrong description is not resolved against" code EQUAL 1)
expect("the stand-in names the line at fault" err MATCHES "wrong.txt: line 2: primary: no server FS9")

tool(resolve --ipx --netware-network no-such-file.txt "\\\\FS1\\Q1")
expect("a network file that is not there is refused" NOT code EQUAL 0)
