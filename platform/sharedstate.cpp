#include "platform/sharedstate.h"

namespace mz {

void SharedState::reset() {
    *this = SharedState();
}

SharedState& state() {
    static SharedState instance;
    return instance;
}

}  // namespace mz
