#include <gtest/gtest.h>

#include "link/UsbLink.h"
