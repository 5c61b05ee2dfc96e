// Test entry point for widget tests: a QApplication on the offscreen platform, so the tests run
// the same with or without a display, and a private runtime folder for Qt.
#include <stdlib.h>

#include <QApplication>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::string runtime =
        (std::filesystem::temp_directory_path() / "sonivex-gui-runtime-XXXXXX").string();
    const bool haveRuntime = ::mkdtemp(runtime.data()) != nullptr;  // mode 0700
    if (haveRuntime) ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    int code = 0;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        code = RUN_ALL_TESTS();
    }
    std::error_code ec;
    if (haveRuntime) std::filesystem::remove_all(runtime, ec);
    return code;
}
