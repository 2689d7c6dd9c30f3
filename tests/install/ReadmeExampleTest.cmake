# The program the README shows under "Using the library" is the file the
# install check builds and runs, byte for byte, so the two cannot drift.
#   cmake -DREADME=README.md -DEXAMPLE=examples/using-the-library.cpp -P ReadmeExampleTest.cmake
file(READ ${README} readme)
file(READ ${EXAMPLE} example)
string(FIND "${readme}" "```cpp\n${example}```\n" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${README} does not show ${EXAMPLE} as it is: copy the file into its ```cpp block again")
endif()
