// Puts every global of the program back to its program-start state. Every
// test that touches globals starts from it.
#pragma once

#include <gtest/gtest.h>

void reset_all_globals();

// A fixture whose every case starts from the program-start state.
class fresh_globals : public ::testing::Test {
protected:
    void SetUp() override { reset_all_globals(); }
    void TearDown() override { reset_all_globals(); }
};
