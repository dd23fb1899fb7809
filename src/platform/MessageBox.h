// Message boxes: the flags and answers the program passes and tests, the real box, and the one seam
// every box goes through, which tests script and read.
#pragma once

#include <QString>

#include <deque>
#include <vector>

// Message-box flags and answers, with the values the program's callers pass and test.
enum MessageBoxFlag : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNO = 0x4,
    MB_TYPEMASK = 0xF, // the buttons
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_ICONMASK = 0xF0, // the icon
    MB_DEFBUTTON2 = 0x100,
    MB_TASKMODAL = 0x2000,
};
enum MessageBoxAnswer : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

struct MessageBoxRecord {
    QString text;
    QString caption;
    unsigned flags;
};

// Shows a modal box, or takes the next scripted answer; logs it either way. Returns the answer.
int ShowMessageBox(const QString& text, const QString& caption, unsigned flags);

// The one seam all message boxes go through. Tests script the answers and read the log;
// a box shown while scripting with no answer left aborts the test run.
namespace MessageBoxSeam {
void Script(std::deque<int> answers);
void StopScripting();
const std::vector<MessageBoxRecord>& Log();
void ClearLog();
} // namespace MessageBoxSeam
