#include "crawl/AddressScan.h"

#include <gtest/gtest.h>
