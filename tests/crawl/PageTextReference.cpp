#include "tests/crawl/PageTextReference.h"
