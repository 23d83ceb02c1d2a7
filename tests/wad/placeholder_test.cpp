// PLACEHOLDER: replaced by the wad tests.
#include <gtest/gtest.h>
TEST(Placeholder, wad) { SUCCEED(); }
