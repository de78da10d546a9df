// Parses the input whole and in chunks of 1, 7, 4,096 and 65,536 bytes: every
// reading must give exactly the same tree (or the same refusal), wherever the
// parser's reads happen to end; and that tree must be the one the blank-text
// rule gives when applied afresh to a reading that keeps every blank.
#include "fuzz/ListReading.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string whole = quorvane::fuzz::ReadTree(bytes, 0);
    for (const std::size_t chunk : {std::size_t{1}, std::size_t{7}, std::size_t{4096}, std::size_t{65536}}) {
        if (quorvane::fuzz::ReadTree(bytes, chunk) != whole)
            __builtin_trap(); // the tree depends on where the reads end
    }
    if (quorvane::fuzz::RuledTree(bytes) != whole)
        __builtin_trap(); // the rule applied while parsing differs from the rule itself
    return 0;
}
