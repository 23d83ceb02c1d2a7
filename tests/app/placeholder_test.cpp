// PLACEHOLDER: replaced by the app tests.
#include <gtest/gtest.h>
TEST(Placeholder, app) { SUCCEED(); }
