#include <QWidget>

#include "testsupport/temp.h"
