// The one way a fuzz target states an expectation.
#pragma once

#include <cstdlib>

namespace fuzz {

// Ends the run on a broken expectation, so that libFuzzer keeps the input.
inline void Check(bool condition) {
  if (!condition) {
    std::abort();
  }
}

}  // namespace fuzz
