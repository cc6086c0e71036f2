#include "testsupport/common/files.h"
#include "testsupport/temp.h"
