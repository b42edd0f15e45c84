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

}  // namespace mz::test
