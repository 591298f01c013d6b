// Runs the fuzzer's checks over kept inputs without libFuzzer, so that a build with any
// compiler replays the corpus. Each argument is a folder of inputs.

#include <cstdint>
#include <cstdio>
#include <filesystem>

#include "test_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char* argv[]) {
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        for (const auto& input : std::filesystem::directory_iterator(argv[i])) {
            const kofrex::test::Bytes bytes = kofrex::test::ReadFile(input.path());
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                   bytes.size());
            ++replayed;
        }
    }
    std::printf("replayed %d inputs\n", replayed);
    return replayed > 0 ? 0 : 1;
}
