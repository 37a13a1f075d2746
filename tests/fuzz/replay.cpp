// Runs a fuzz target's checks over the files given, without libFuzzer:
// the seed corpus and the regressions are replayed by every test run.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        if (!in)
            return std::fprintf(stderr, "cannot read %s\n", argv[i]), 2;
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
        std::printf("%s (%zu bytes)\n", argv[i], bytes.size());
        std::fflush(stdout);
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    }
    std::printf("%d inputs passed\n", argc - 1);
    return argc > 1 ? 0 : 2; // no inputs at all is a failure too
}
