#include "crawl/LinkScan.h"

#include <gtest/gtest.h>
