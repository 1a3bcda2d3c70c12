// The window program: the application object brings everything up; the
// event loop runs until the main window closes.
#include "gui/shell/CMainApp.h"

int main(int argc, char** argv)
{
    CMainApp app(argc, argv);
    if (!app.InitInstance())
        return 1;
    const int result = app.exec();
    app.ExitInstance();
    return app.ExitStatus(result);
}
