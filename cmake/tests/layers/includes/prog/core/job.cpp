#include <QProcess>
#include <QString>
#include <QWidget>
#include <QtGui/QPainter>

#include "common/low/low.h"
#include "prog/window/form.h"
#include "testsupport/temp.h"
