#pragma once
// For the tests of the harness itself: while one of these exists, test failures raised by the
// platform seam (TestFailure) are expected by the test and are not reported to GoogleTest.

#include "platform/recorder.h"

namespace mz::test {

class ExpectTestFailures {
public:
    ExpectTestFailures() : previous_(mz::platform::setFailureHook({})) {}
    ~ExpectTestFailures() { mz::platform::setFailureHook(previous_); }
    ExpectTestFailures(const ExpectTestFailures&) = delete;
    ExpectTestFailures& operator=(const ExpectTestFailures&) = delete;

private:
    mz::platform::FailureHook previous_;
};

// For the few tests that run a real event loop or a real message box (answered by a timer): while
// one of these exists, windows and boxes may show for real.
class AllowRealWindows {
public:
    AllowRealWindows() : previous_(mz::platform::neverBlock()) { mz::platform::setNeverBlock(false); }
    ~AllowRealWindows() { mz::platform::setNeverBlock(previous_); }
    AllowRealWindows(const AllowRealWindows&) = delete;
    AllowRealWindows& operator=(const AllowRealWindows&) = delete;

private:
    bool previous_;
};

}  // namespace mz::test
