#include "wait_cursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace kofrex {

WaitCursor::WaitCursor() {
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

WaitCursor::~WaitCursor() {
    QGuiApplication::restoreOverrideCursor();
}

}  // namespace kofrex
