// PLACEHOLDER: replaced by the render tests.
#include <gtest/gtest.h>
TEST(Placeholder, render) { SUCCEED(); }
