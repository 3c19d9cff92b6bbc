// Arbitrary bytes as a catalogue or data file: the reader on its own, the
// catalogue read into a root, and a version's data. The only error allowed
// out is the conversion error of a count that is not a number.

#include "fuzz/CatalogueFuzzPaths.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (!CatalogueFuzzPaths::All(bytes))
        std::abort();
    return 0;
}
