// Any bytes as a CherryTree XML file.
#include "FuzzReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzInterchange::run(Interchange::ReadCherryXml, "fuzz.ctd", data, size);
}
