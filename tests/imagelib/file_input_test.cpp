// Tests of the file input.
#include <gtest/gtest.h>
