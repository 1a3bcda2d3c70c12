// The main() of the GUI test programs that start the program's instance on
// its own application object.
#include "support/gui/TestApplication.h"

int main(int argc, char** argv)
{
    return RunGuiTests(argc, argv, TestApplicationKind::Program);
}
