// Runs the setup loader's fuzz target without libFuzzer: on the example
// setups named on the command line (a directory of *.json files) and on a
// seed document, each as written and under deterministic mutations. A fault
// ends the process, which fails the test.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

// The seed is small and gets most of the mutations; an example setup of a
// few hundred parameters costs about a millisecond per input. About two
// seconds in all, with every kind of mutation hundreds of times over.
constexpr int kSeedMutations = 4000;
constexpr int kExampleMutations = 150;

constexpr const char* kSeed = R"({"format": "drivesetup-setup", "version": 1,
  "drive": {"description": "Seed", "firmware": "F1", "product": "P1", "userApplication": "", "e2romSize": 8192,
            "adcMaxValue": 4095, "helpFile": ""},
  "capabilities": {"sensorNames": {"0": "None", "1": "Incremental encoder", "3": "SSI"},
                   "sensorInputs": [{"name": "Feedback #1", "motor": [1, 3], "load": [1], "digitalReference": true}],
                   "ssiFrequencies": [{"kHz": 500, "code": 0}, {"kHz": 1000, "code": 1}],
                   "ioPorts": [{"port": 25, "pin": 3, "brake": 16, "inverted": false}]},
  "options": {"MaxFilters": "2", "SSIMaxBits": 32, "Ratio": 1.5},
  "units": {"rad": {"rot": {"factor": 0.15915494309189535}, "µsteps": {"factor": 8149.7}},
            "°C": {"°F": {"factor": 1.8, "offset": 17.77777777777778}}},
  "variables": [{"name": "MER", "axis": 1, "type": "uint16", "unit": ""},
                {"name": "APOS", "axis": 1, "type": "int32", "unit": "rad", "display": "rot"}],
  "parameters": {"KPI": {"internal": -1200, "type": "int16", "min": -2000, "max": 2000},
                 "Pos": {"internal": -0.0, "unit": "rad", "display": "µsteps", "decimals": 0},
                 "Gain": {"value": 2.5, "min": 0}, "Plain": 0.1},
  "simulation": {"motor": {"R": 1.5, "L": [0.001, 2e-3]}, "on": true, "none": null}
})";

// Tokens that reach the reader's rarer paths: structure, escapes, limits.
constexpr const char* kTokens[] = {"{", "}", "[", "]", ",", ":", "\"", "\\", "\\u0000", "\\ud800", "0", "-0", "1e999",
                                   "18446744073709551616", "null", "true", "\"internal\"", "\"value\"", "\"type\"",
                                   "\"int17\"", "\xc2\xb5", "\xff", "[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[["};

// SplitMix64: the same sequence on every platform and standard library.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::size_t Below(std::size_t bound) { return bound == 0 ? 0 : static_cast<std::size_t>(Next() % bound); }

 private:
  std::uint64_t state_;
};

// Changes a digit into another, or a letter into another of the same case:
// mostly still JSON, so the round trip of loaded setups is exercised too.
void SwapCharacter(std::string& text, std::size_t at, Random& random) {
  for (std::size_t n = 0; n < text.size(); ++n) {
    char& c = text[(at + n) % text.size()];
    if (c >= '0' && c <= '9') c = static_cast<char>('0' + random.Below(10));
    else if (c >= 'a' && c <= 'z') c = static_cast<char>('a' + random.Below(26));
    else if (c >= 'A' && c <= 'Z') c = static_cast<char>('A' + random.Below(26));
    else continue;
    return;
  }
}

std::string Mutate(const std::string& document, Random& random) {
  std::string text = document;
  const std::size_t at = random.Below(text.size() + 1);
  switch (random.Below(9)) {
    case 7:
    case 8:
      SwapCharacter(text, at, random);
      break;
    case 0:  // flip one bit
      if (at < text.size()) text[at] = static_cast<char>(text[at] ^ (1 << random.Below(8)));
      break;
    case 1:  // any byte
      if (at < text.size()) text[at] = static_cast<char>(random.Below(256));
      break;
    case 2:  // truncate
      text.resize(at);
      break;
    case 3:  // insert a token
      text.insert(at, kTokens[random.Below(std::size(kTokens))]);
      break;
    case 4:  // insert random bytes
      for (std::size_t n = 1 + random.Below(8); n > 0; --n) text.insert(text.begin() + at, char(random.Below(256)));
      break;
    case 5:  // erase a span
      text.erase(at, 1 + random.Below(16));
      break;
    default: {  // repeat a span elsewhere
      const std::size_t from = random.Below(text.size());
      const std::string span = text.substr(from, 1 + random.Below(40));
      text.insert(at, span);
      break;
    }
  }
  return text;
}

void Run(const std::string& text) {
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

std::vector<std::string> Corpus(int argc, char** argv) {
  std::vector<std::string> corpus = {kSeed};
  std::vector<std::filesystem::path> files;
  for (int i = 1; i < argc; ++i) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(argv[i], error))
      if (entry.path().extension() == ".json") files.push_back(entry.path());
  }
  // Directory order varies; the run must not.
  std::sort(files.begin(), files.end());
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    corpus.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return corpus;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> corpus = Corpus(argc, argv);
  Random random(0x5E7F11E);
  std::size_t inputs = 0;
  for (std::size_t d = 0; d < corpus.size(); ++d) {
    const std::string& document = corpus[d];
    Run(document);
    ++inputs;
    // Mutations stack up to four deep, so that some inputs stray far.
    std::string current = document;
    const int mutations = d == 0 ? kSeedMutations : kExampleMutations;
    for (int i = 0; i < mutations; ++i) {
      current = Mutate(i % 4 == 0 ? document : current, random);
      Run(current);
      ++inputs;
    }
  }
  std::printf("setup_loader_smoke: %zu documents, %zu inputs, no fault\n", corpus.size(), inputs);
  return 0;
}
