// Runs the program through its own entry and drives its main form once the event loop runs.
#pragma once

#include "Redate.h"
#include "platform/Application.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <string>

class ProgramRun : public QObject {
public:
    struct SplashSighting {
        QString caption;        // what the splash's label said when it was shown
        std::string statusText; // StatusText at that moment
        bool pictures;          // the splash picture and the logo were there
    };

    // Starts the program; drive runs inside the event loop once the main form is shown, and the
    // main form is closed after it (if drive left it open). Returns the exit code.
    int Start(const std::function<void(TForm* mainForm)>& drive);
    // The same with start-up's creations given by the test.
    int Start(const StartupForms& forms, const std::function<void(TForm* mainForm)>& drive);

    // For a test's init(): message boxes answered from a script, none shown yet.
    static void BeginTest();
    // For a test's cleanup(): no window left open, no ODBC connection left behind.
    static void EndTest();

    QList<SplashSighting> splashes;
    // Top-level windows still visible when the main form was shown, other than the main form.
    QStringList otherWindowsAtMainForm;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int Run(const std::function<int()>& program, const std::function<void(TForm*)>& drive);

    std::function<void(TForm*)> drive_;
    bool driven_ = false;
};

// Presses Tab (or Shift+Tab when backwards) steps times, starting from the focused control, and
// returns the names of the controls the walk passed, in tab order either way, so that both walks
// compare with the same list.
QStringList WalkFocus(int steps, bool backwards = false);
