#pragma once

// The application object of a GUI test program: made before the first test
// and destroyed after the last (while Qt's own globals still exist), so that
// every test can make widgets. gtest only listing the tests makes none.
enum class TestApplicationKind {
    Widgets, // a plain QApplication
    Program, // the program's CMainApp; closing its last window leaves the tests running
};

// The main() of a GUI test program: gtest's options, then the tests with the
// application object of `kind` around them.
int RunGuiTests(int argc, char** argv, TestApplicationKind kind);
