// The libFuzzer entry point of one fuzzer; SORVEL_FUZZ_TARGET names the
// target function it drives (set per executable by the build).

#include "fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return SORVEL_FUZZ_TARGET(data, size);
}
