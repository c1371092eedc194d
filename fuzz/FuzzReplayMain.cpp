// Stands in for libFuzzer's driver where the compiler has none: runs every
// corpus file given, then -runs=N inputs drawn from -seed=S, at most
// -max_len=L bytes long. With -artifact_prefix=P each random input is first
// written to Pcurrent-input, so the one that failed can be run again. Other
// -flags are libFuzzer's and are ignored, so a test runs either build with
// the same command line.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

struct ReplayOptions {
    unsigned long runs = 0;
    unsigned long seed = 1;
    std::size_t maxLength = 4096;
    std::string artifactPrefix;
    std::vector<std::filesystem::path> corpus;
};

bool takeNumber(const std::string& argument, const std::string& flag, unsigned long& value) {
    if (argument.rfind(flag, 0) != 0) {
        return false;
    }
    value = std::stoul(argument.substr(flag.size()));
    return true;
}

ReplayOptions parse(int argc, char** argv) {
    ReplayOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        unsigned long maxLength = 0;
        const std::string artifactFlag = "-artifact_prefix=";
        if (argument.rfind(artifactFlag, 0) == 0) {
            options.artifactPrefix = argument.substr(artifactFlag.size());
        } else if (takeNumber(argument, "-max_len=", maxLength)) {
            options.maxLength = maxLength;
        } else if (!takeNumber(argument, "-runs=", options.runs) &&
                   !takeNumber(argument, "-seed=", options.seed) && argument.rfind('-', 0) != 0) {
            options.corpus.emplace_back(argument);
        }
    }
    return options;
}

void runInput(const std::vector<std::uint8_t>& bytes) {
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
}

std::size_t replayFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    runInput(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {}));
    return 1;
}

std::size_t replayCorpus(const std::filesystem::path& path) {
    if (!std::filesystem::is_directory(path)) {
        return std::filesystem::exists(path) ? replayFile(path) : 0;
    }
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(path)) {
        count += entry.is_regular_file() ? replayFile(entry.path()) : 0;
    }
    return count;
}

void runRandomInputs(const ReplayOptions& options) {
    std::mt19937_64 random(options.seed);
    std::uniform_int_distribution<std::size_t> length(0, options.maxLength);
    std::uniform_int_distribution<unsigned> byte(0, 255);
    for (unsigned long run = 0; run < options.runs; ++run) {
        std::vector<std::uint8_t> bytes(length(random));
        for (std::uint8_t& value : bytes) {
            value = static_cast<std::uint8_t>(byte(random));
        }
        if (!options.artifactPrefix.empty()) {
            std::ofstream(options.artifactPrefix + "current-input", std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
        }
        runInput(bytes);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const ReplayOptions options = parse(argc, argv);
    std::size_t replayed = 0;
    for (const auto& path : options.corpus) {
        replayed += replayCorpus(path);
    }
    runRandomInputs(options);
    std::printf("replayed %zu corpus inputs and %lu random inputs: no divergence\n", replayed,
                options.runs);
    return 0;
}
