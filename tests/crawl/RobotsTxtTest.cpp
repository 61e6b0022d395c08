#include "crawl/RobotsTxt.h"

#include <gtest/gtest.h>
