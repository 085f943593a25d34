// Tests of the jpeg decoder.
#include <gtest/gtest.h>
