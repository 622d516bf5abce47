// The run sequence's tests' fixture: substituted operations and a window
// stand-in that notes its calls among theirs.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "FakeRun.h"

// The program's string id.
std::string S(UINT id);

class RunSequence : public ::testing::Test {
protected:
    void SetUp() override { host.calls = &fake.calls; }
    bool Called(const std::string& name) const { return fake.Called(name); }
    FakeOperations fake;
    FakeHost host;
};
