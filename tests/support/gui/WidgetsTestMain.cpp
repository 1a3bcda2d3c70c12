// The main() of the GUI test programs that need a plain QApplication.
#include "support/gui/TestApplication.h"

int main(int argc, char** argv)
{
    return RunGuiTests(argc, argv, TestApplicationKind::Widgets);
}
