// Tests of the png decoder.
#include <gtest/gtest.h>
