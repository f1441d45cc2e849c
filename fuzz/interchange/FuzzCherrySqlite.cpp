// Any bytes as a CherryTree SQLite file.
#include "FuzzReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzInterchange::run(Interchange::ReadCherrySqlite, "fuzz.ctb", data, size);
}
