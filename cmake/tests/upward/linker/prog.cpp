#include "testsupport/temp.h"
#include "common/low/low.h"
