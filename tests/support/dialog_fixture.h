// The setup layout of the main dialog, opened in-process from the tests'
// templates, with a record of every text its first status line was given.
#ifndef TESTS_SUPPORT_DIALOG_FIXTURE_H
#define TESTS_SUPPORT_DIALOG_FIXTURE_H

#include <windows.h>

#include <string>
#include <vector>

constexpr int kSetupLayoutTemplate = 9105;  // tests/res/dialogs_test.rc

class OpenDialog {
public:
    explicit OpenDialog(int templateId = kSetupLayoutTemplate);
    ~OpenDialog();
    OpenDialog(const OpenDialog&) = delete;
    OpenDialog& operator=(const OpenDialog&) = delete;
    HWND Window() const { return window_; }
    // Texts set on status line 0 since the dialog opened, in order.
    const std::vector<std::string>& StatusTexts() const;
    int ProgressPosition() const;

private:
    HWND window_ = nullptr;
};

#endif
