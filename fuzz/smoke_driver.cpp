// Runs a fuzz target without libFuzzer, so that every build (with the
// normal compiler) tries it: on the seed corpus named on the command line
// (files, or directories of *.json files), each document as written and under
// deterministic mutations. A fault ends the process, which fails the test.
//   <target>_smoke NAME CORPUS...

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "input/bounded_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

// Mutations per document, in proportion to its size: a small document gets
// up to 4000, a setup of 45 kB about 100, so that each target runs for a
// second or two and every kind of mutation comes up hundreds of times.
constexpr std::size_t kBytesPerDocument = 4'500'000;
constexpr std::size_t kMinMutations = 50;
constexpr std::size_t kMaxMutations = 4000;

// Tokens that reach the readers' rarer paths: structure, escapes, numbers
// at and beyond the limits of the types, limits of nesting.
constexpr const char* kTokens[] = {"{", "}", "[", "]", ",", ":", "\"", "\\", "\\u0000", "\\ud800", "0", "-0", "1e999",
                                   "1e400", "-1e400", "4.9e-324", "65472.0", "2147483648", "-9223372036854775809",
                                   "18446744073709551616", "null", "true", "\"\"", "\"internal\"", "\"value\"",
                                   "\"type\"", "\"int17\"", "\xc2\xb5", "\xff", "[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[["};

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
  std::vector<std::filesystem::path> files;
  for (int i = 2; i < argc; ++i) {
    std::error_code error;
    if (!std::filesystem::is_directory(argv[i], error)) {
      files.push_back(argv[i]);
      continue;
    }
    for (const auto& entry : std::filesystem::directory_iterator(argv[i], error))
      if (entry.path().extension() == ".json") files.push_back(entry.path());
  }
  // Directory order varies; the run must not.
  std::sort(files.begin(), files.end());
  std::vector<std::string> corpus;
  for (const auto& file : files) {
    input::FileText text = input::ReadBoundedFile(file.string());
    if (!text.ok()) {
      std::fprintf(stderr, "%s: %s\n", file.c_str(), text.error.c_str());
      std::exit(2);
    }
    corpus.push_back(std::move(text.text));
  }
  return corpus;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s NAME CORPUS...\n", argv[0]);
    return 2;
  }
  const std::vector<std::string> corpus = Corpus(argc, argv);
  if (corpus.empty()) {
    std::fprintf(stderr, "%s: the corpus is empty\n", argv[1]);
    return 2;
  }
  Random random(0x5E7F11E);
  std::size_t inputs = 0;
  for (const std::string& document : corpus) {
    Run(document);
    ++inputs;
    // Mutations stack up to four deep, so that some inputs stray far.
    const std::size_t mutations =
        std::clamp(kBytesPerDocument / std::max<std::size_t>(document.size(), 1), kMinMutations, kMaxMutations);
    std::string current = document;
    for (std::size_t i = 0; i < mutations; ++i) {
      current = Mutate(i % 4 == 0 ? document : current, random);
      Run(current);
      ++inputs;
    }
  }
  std::printf("%s: %zu documents, %zu inputs, no fault\n", argv[1], corpus.size(), inputs);
  return 0;
}
