// How the views are drawn: by the software renderer unless the user asked for another.
#include "ui/design/ViewWindow.h"

#include <QQuickWindow>
#include <gtest/gtest.h>

using namespace brisklet;

// One test, in this order: once the software backend is chosen, nothing in the
// process can un-choose it.
TEST(ViewWindowTest, theSoftwareRendererIsChosenOnlyWhenQtQuickBackendIsUnset) {
    qputenv("QT_QUICK_BACKEND", "rhi");
    ViewWindow::chooseRenderer();
    EXPECT_NE(QQuickWindow::sceneGraphBackend(), "software");
    qunsetenv("QT_QUICK_BACKEND");
    ViewWindow::chooseRenderer();
    EXPECT_EQ(QQuickWindow::sceneGraphBackend(), "software");
}
