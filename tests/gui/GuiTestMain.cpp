// main() of the GUI test programs: the QApplication first (offscreen unless told
// otherwise), the program's icons and font, then the tests.
#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

#include "gui/shell/GuiResources.h"

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    kyq::InitGuiResources();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
