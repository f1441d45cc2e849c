// Any bytes as a Markdown file.
#include "FuzzReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzInterchange::run(Interchange::ReadMarkdown, "fuzz.md", data, size);
}
