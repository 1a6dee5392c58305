// Replays every file of a corpus directory through a fuzz target, so that the
// seed corpus runs as an ordinary test in every build, with or without clang.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR_OR_FILE...\n", argv[0]);
    return 2;
  }
  size_t count = 0;
  for (int a = 1; a < argc; ++a) {
    std::vector<std::filesystem::path> files;
    std::filesystem::path p(argv[a]);
    if (std::filesystem::is_directory(p)) {
      for (auto &e : std::filesystem::recursive_directory_iterator(p))
        if (e.is_regular_file()) files.push_back(e.path());
    } else {
      files.push_back(p);
    }
    for (auto &f : files) {
      std::ifstream in(f, std::ios::binary);
      std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
      ++count;
    }
  }
  std::printf("replayed %zu inputs\n", count);
  return count > 0 ? 0 : 1;
}
