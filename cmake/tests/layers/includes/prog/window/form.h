#pragma once
#include <QWidget>

#include "prog/core/job.h"
