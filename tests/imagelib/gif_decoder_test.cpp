// Tests of the gif decoder.
#include <gtest/gtest.h>
