// Any bytes as a OPML file.
#include "FuzzReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzInterchange::run(Interchange::ReadOpml, "fuzz.opml", data, size);
}
