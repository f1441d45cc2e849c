#pragma once

#include <cstdint>

class TOptionDesc;
class TOutline;

// Realistic outlines for benchmarks and tests: books nested up to six levels,
// one to twenty children per item, pages of 200 bytes to 4 KB of mixed
// Japanese and ASCII text (about a third of them rich), due dates, labels,
// progress states, a few links and a trash with some items in it.
namespace SampleOutline {

enum TProfile {
    // Pages of every size, a third of them rich.
    MixedPages,
    // A rich page of about 1 KB on every item, English and Japanese with
    // bold, italic and coloured runs; each page starts with "Note ".
    RichPages1K,
};

// Replaces the outline's content with count items in all (the trash and its
// items included). The same count and seed give the same outline, byte for
// byte once written.
void generate(TOutline& outline, TOptionDesc& settings, int count, uint32_t seed = 1,
              TProfile profile = MixedPages);

} // namespace SampleOutline
