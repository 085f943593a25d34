// Tests of the bmp decoder.
#include <gtest/gtest.h>
