#include "ui/main_window.h"
#include "ui/widget_test_app.h"

#include <gtest/gtest.h>

namespace bw {
namespace {

TEST(MainWindowTest, OpensAtItsDefaultSizeAndKeepsItsMinimum) {
    test::WidgetTestApp fixture;
    ui::MainWindow window(*fixture.app);
    window.show();
    EXPECT_EQ(window.size(), QSize(1100, 680));
    EXPECT_EQ(window.minimumSize(), QSize(900, 460));
    EXPECT_EQ(window.windowTitle(), "Brindlewick");
}

} // namespace
} // namespace bw
