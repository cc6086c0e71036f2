#include "common/low/low.h"
#include "testsupport/temp.h"
