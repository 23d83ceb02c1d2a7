// PLACEHOLDER: replaced by the video tests.
#include <gtest/gtest.h>
TEST(Placeholder, video) { SUCCEED(); }
