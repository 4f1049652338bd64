// Feeds arbitrary bytes to the record reader. The first byte picks the kinds
// of item to read, so every reading path meets every kind of input. The
// reader may refuse input only with a numbered error.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/numbered_error.h"
#include "ferrimond/support/record_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t plan = data[0];
  ferrimond::RecordReader reader(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
  for (int i = 0; i < 64 && !reader.AtEnd(); ++i) {
    try {
      switch (((plan >> (i % 4 * 2)) & 7) ^ (i & 1)) {
        case 0: reader.ReadString(); break;
        case 1: reader.ReadDate(); break;
        case 2: reader.ReadLong(); break;
        case 3: reader.ReadInteger(); break;
        case 4: reader.ReadDouble(); break;
        case 5: reader.ReadBoolean(); break;
        default: reader.ReadLine(); break;
      }
    } catch (const common::NumberedError&) {
      // Refusing an item is fine; the reader goes on with the next one.
    }
  }
  return 0;
}
