// Runs the fuzz target once over every file named on the command line or found in a folder
// named there: the corpus replay of the normal test run, under the sanitizers but without
// libFuzzer. An input that runs longer than the alarm counts as a hang. The inputs a target
// skips (it returns -1) are counted apart.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

constexpr unsigned HangSeconds = 60;

static std::vector<fs::path> Inputs(int argc, char** argv) {
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; i++) {
    if (!fs::is_directory(argv[i])) {
      inputs.push_back(argv[i]);
      continue;
    }
    for (const auto& entry : fs::directory_iterator(argv[i]))
      if (entry.is_regular_file()) inputs.push_back(entry.path());
  }
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

int main(int argc, char** argv) {
  std::vector<fs::path> inputs = Inputs(argc, argv);
  if (inputs.empty()) {
    fprintf(stderr, "no inputs\n");
    return 1;
  }
  size_t skipped = 0;
  for (const fs::path& input : inputs) {
    std::ifstream in(input, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    fprintf(stderr, "%s (%zu bytes)\n", input.filename().c_str(), bytes.size());
    alarm(HangSeconds);
    if (LLVMFuzzerTestOneInput(bytes.data(), bytes.size()) == -1) skipped++;
    alarm(0);
  }
  fprintf(stderr, "%zu inputs ran, %zu of them skipped\n", inputs.size(), skipped);
  return 0;
}
