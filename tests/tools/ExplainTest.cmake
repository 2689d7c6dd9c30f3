# zraddrres explain on the sample registry: a port configured by address, a
# local port no monitor has, an unknown name, and the JSON form of each.
# Nothing here is looked up by name: the time-out case runs in the name
# server's namespace (tests/netns/explain-check.sh).
#   cmake -DTOOL=... [-DEMULATOR=...] -DWORK=<folder> -DSAMPLE=<examples/sample.reg> -P ExplainTest.cmake
cmake_policy(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/ToolTest.cmake)

function(expect_text what text haystack)
  string(FIND "${haystack}" "${text}" at)
  expect("${what}: no \"${text}\"" at GREATER -1)
endfunction()

file(COPY ${SAMPLE} DESTINATION ${WORK})
tool(reg import sample.reg)
expect("reg import of the sample" code EQUAL 0)
# Under Wine the prefix's registry is shared: every key the sample made goes
# again. Its [key] lines, each made a [-key] line, byte for byte (one key is
# named in code page bytes, and one holds brackets of its own).
file(READ ${SAMPLE} sample)
string(REGEX REPLACE "\n[^[\n][^\n]*" "" cleanup "${sample}")
string(REPLACE "\n[HKEY_" "\n[-HKEY_" cleanup "${cleanup}")
file(WRITE ${WORK}/cleanup.reg "${cleanup}")

# --- A port configured with an address: the HP reader runs on every Windows
# line and answers; the readers before it did not.
set(hp "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\HP Standard TCP/IP Port\\Ports\\HP_192.168.10.40")
tool(explain HP_192.168.10.40)
expect("explain of an answered port exits 0" code EQUAL 0)
expect_text("the answer and its kind" "answer: 192.168.10.40, kind IP (0)" "${out}")
expect_text("the answering reader" "GetIPAddressFromHPStandardTCPIPPort (HP Standard TCP/IP monitor)" "${out}")
expect_text("its verdict" "answered: configured with an address" "${out}")
expect_text("where it reads" "reads ${hp}, values \"IPAddress\", then \"HostName\" (documented" "${out}")
expect("the HP reader is the last step" NOT out MATCHES "GetIPAddressFromHPStandardTCPIPPort.*\n  [0-9]+\\. ")
expect("a reader before it did not answer" out MATCHES "1\\. [A-Za-z]+ .*\n     no-answer: ")

tool(explain --json HP_192.168.10.40)
expect("explain --json exits 0" code EQUAL 0)
string(JSON port GET "${out}" 0 port)
string(JSON address GET "${out}" 0 address)
string(JSON kind GET "${out}" 0 kindName)
string(JSON count LENGTH "${out}" 0 steps)
math(EXPR last "${count} - 1")
string(JSON reader GET "${out}" 0 steps ${last} reader)
string(JSON verdict GET "${out}" 0 steps ${last} verdict)
string(JSON key GET "${out}" 0 steps ${last} registry key)
string(JSON source GET "${out}" 0 steps ${last} registry source)
string(JSON lines LENGTH "${out}" 0 steps ${last} trace)
expect("JSON: the port, its answer and kind" port STREQUAL "HP_192.168.10.40" AND address STREQUAL "192.168.10.40"
       AND kind STREQUAL "IP")
expect("JSON: the last step answered" reader STREQUAL "GetIPAddressFromHPStandardTCPIPPort" AND verdict STREQUAL "answered")
expect("JSON: the documented key" key STREQUAL "${hp}" AND source STREQUAL "documented")
expect("JSON: the step carries its trace line" lines GREATER 0)

# --- A local port: no monitor has it; the port-name check refuses it before any reader.
tool(explain LPT1:)
expect("a refused port has no address" code EQUAL 1)
expect_text("the refusal" "1. IsValidPortName (port-name check)" "${out}")
expect_text("why" "refused: not a port that leads to a network device" "${out}")
expect("no reader after the refusal" NOT out MATCHES "2\\. ")

# --- An unknown name: a clear error, no account, exit 1; the other ports are still explained.
# Its backslash keeps every reader's host-name lookup from asking a name server.
tool(explain "Nowhere\\Port" HP_192.168.10.40)
expect("an unknown port exits 1" code EQUAL 1)
expect_text("the error names the port" "zraddrres: explain: no port named Nowhere\\Port: no monitor configures it" "${err}")
expect("no account for the unknown port" NOT out MATCHES "Nowhere")
expect_text("the known port is still explained" "answer: 192.168.10.40" "${out}")


tool(reg import cleanup.reg)
expect("the sample's keys are removed again" code EQUAL 0)
