// The archive shared with other programs and windows, and odd files around it.

#include <gtest/gtest.h>

#include "modKofrex.h"
#include "test_support.h"
