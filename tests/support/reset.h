// The fixture of every test that touches globals: each case starts and ends
// in the program-start state.
#pragma once

#include <gtest/gtest.h>

#include "tests/support/reset_all.h"

// A fixture whose every case starts from the program-start state.
class fresh_globals : public ::testing::Test {
protected:
    void SetUp() override { reset_all_globals(); }
    void TearDown() override { reset_all_globals(); }
};
