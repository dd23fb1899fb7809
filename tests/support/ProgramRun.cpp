#include "ProgramRun.h"
#include "Redate.h"
#include "frmFlash.h"
#include "platform/Database.h"
#include "unGlobal.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <dlfcn.h>

namespace {
// The JPEG library keeps thread-local data; when Qt unloads its image plugin at exit, LeakSanitizer's
// final scan still walks that data and crashes. Keeping the library mapped to the end avoids it.
void KeepJpegLibraryLoaded() {
    static void* jpeg = dlopen("libjpeg.so.62", RTLD_NOW | RTLD_NODELETE);
    Q_UNUSED(jpeg);
}
} // namespace

int ProgramRun::Start(const std::function<void(TForm*)>& drive) {
    return Run(&Redate, drive);
}

int ProgramRun::Start(const StartupForms& forms, const std::function<void(TForm*)>& drive) {
    return Run([&] { return RunStartup(forms); }, drive);
}

int ProgramRun::Run(const std::function<int()>& program, const std::function<void(TForm*)>& drive) {
    KeepJpegLibraryLoaded();
    drive_ = drive;
    driven_ = false;
    splashes.clear();
    otherWindowsAtMainForm.clear();
    qApp->installEventFilter(this);
    const int code = program();
    qApp->removeEventFilter(this);
    return code;
}

void ProgramRun::BeginTest() {
    MessageBoxSeam::ClearLog();
    MessageBoxSeam::Script({});
}

void ProgramRun::EndTest() {
    MessageBoxSeam::StopScripting();
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
    QCOMPARE(TDatabase::OpenConnectionCount(), 0);
}

bool ProgramRun::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Show)
        return false;
    if (auto* splash = dynamic_cast<TFlash*>(watched)) {
        splashes.append({splash->lbView->text(), StatusText,
                         !splash->Image1->pixmap().isNull() && !splash->Image2->pixmap().isNull()});
    } else if (TForm* main = Application.MainForm(); main && watched == main && !driven_) {
        driven_ = true;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != main && w->isVisible())
                otherWindowsAtMainForm << w->objectName();
        QTimer::singleShot(0, this, [this, main] {
            // Whatever the drive does or fails, the main form closes so that the run ends.
            struct Closer {
                TForm* form;
                ~Closer() {
                    if (Application.MainForm() == form && form->isVisible())
                        form->close();
                }
            } closer{main};
            QVERIFY(QTest::qWaitForWindowActive(main));
            drive_(main);
        });
    }
    return false;
}

QStringList WalkFocus(int steps, bool backwards) {
    QStringList names;
    for (int i = 0; i < steps; ++i) {
        if (backwards) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            names.prepend(QApplication::focusWidget()->objectName());
        } else {
            names << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
    }
    return names;
}
