// Replays saved inputs through a fuzz target without libFuzzer: every file in
// the folders named on the command line (seeds and past findings) goes once
// through LLVMFuzzerTestOneInput, in name order. A target reports a finding by
// crashing or trapping, which fails the run; the last name printed is the input
// that did it. Folders that do not exist are passed over, as a target may have
// no findings yet. Whatever a target writes goes to a scratch folder (as
// TMPDIR) that is removed afterwards.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char* argv[])
{
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(argv[i], error))
            if (entry.is_regular_file())
                inputs.push_back(entry.path());
    }
    std::sort(inputs.begin(), inputs.end());
    if (inputs.empty()) {
        std::cerr << "no inputs to replay\n";
        return 1;
    }

    const char* base = std::getenv("TMPDIR");
    std::string scratch = std::string(base && *base ? base : "/tmp") + "/quorvane-replay-XXXXXX";
    if (::mkdtemp(scratch.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    ::setenv("TMPDIR", scratch.c_str(), 1);
    struct Cleanup {
        std::string folder;
        ~Cleanup()
        {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        }
    } cleanup{scratch};

    for (const std::filesystem::path& input : inputs) {
        std::cout << input.string() << std::endl;
        std::ifstream in(input, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.good() && !in.eof()) {
            std::cerr << "cannot read " << input.string() << '\n';
            return 1;
        }
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::cout << inputs.size() << " inputs replayed\n";
    return 0;
}
