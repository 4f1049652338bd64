#include "almanix/core/library_state.h"

namespace almanix {

LibraryState& State() {
  thread_local LibraryState state;
  return state;
}

}  // namespace almanix
