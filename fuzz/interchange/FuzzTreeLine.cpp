// Any bytes as a TreeLine JSON file.
#include "FuzzReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzInterchange::run(Interchange::ReadTreeLine, "fuzz.trln", data, size);
}
