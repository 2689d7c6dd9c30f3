// Feeds every file of a fuzz target's corpus to the target's entry once, so
// that the ordinary test build (and its sanitizer build) keeps every input
// that ever found a fault, and the seeds, passing.
//   replay_<target> CORPUS-FOLDER
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CORPUS-FOLDER\n", argv[0]);
    return 2;
  }
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(argv[1], error)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  if (error || files.empty()) {
    std::fprintf(stderr, "%s: no corpus in %s\n", argv[0], argv[1]);
    return 1;
  }
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Say which input runs, so a crash names its file.
    std::fprintf(stderr, "%s\n", file.filename().string().c_str());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  std::printf("%zu inputs replayed\n", files.size());
  return 0;
}
