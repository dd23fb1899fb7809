// The application object, forms and data modules: creation, ownership, the main form,
// message boxes and the guard that keeps exceptions out of Qt's event loop.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

// Message-box flags and answers, with the values the program's callers pass and test.
enum MessageBoxFlag : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNO = 0x4,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_DEFBUTTON2 = 0x100,
    MB_TASKMODAL = 0x2000,
};
enum MessageBoxAnswer : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// A component that wants to know when its owner has finished loading its stored settings.
class TComponent : public QObject {
public:
    using QObject::QObject;
    virtual void Loaded() {}
};

// Owns components and destroys them last created first. A component destroyed
// earlier by someone else simply drops out of the list.
class TOwner {
public:
    TOwner() = default;
    TOwner(const TOwner&) = delete;
    TOwner& operator=(const TOwner&) = delete;
    virtual ~TOwner() { DestroyComponents(); }

    template <class T> T* Own(T* component) {
        components_.emplace_back(component);
        return component;
    }
    void DestroyComponents();
    // Tells each owned TComponent that loading is complete, in creation order.
    void LoadComponents();

private:
    std::vector<QPointer<QObject>> components_;
};

// A top-level window laid out in pixels as designed.
class TForm : public QWidget, public TOwner {
    Q_OBJECT
public:
    enum class TPosition { Designed, ScreenCenter };

    explicit TForm(Qt::WindowFlags flags = DialogFrame);
    static constexpr Qt::WindowFlags DialogFrame =
        Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

    // Stored settings of the form, set by the derived form's constructor.
    std::function<void()> OnCreate;
    std::function<void(char& key)> OnKeyPress; // runs for characters typed anywhere in the form when KeyPreview
    bool KeyPreview = false;
    TPosition Position = TPosition::Designed;

    // Runs once construction is complete: OnCreate under the guard, so a failing
    // creation handler is reported and the form still exists.
    void AfterConstruction();

    void Show();    // visible, in front, returns at once
    void Refresh(); // painted now, without waiting for the event loop
    // Sets the outer height, frame and title bar included, keeping left, top and width.
    void SetOuterHeight(int height);
    // Moves the focus to the next control in tab order that can take it.
    void SelectNextControl();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool centred_ = false;
};

// A non-visual container of components (a database connection, for instance).
class TDataModule : public QObject, public TOwner {
public:
    // Runs once construction is complete: the owned components' Loaded (a database stored as
    // connected opens). Unlike a form's, a failure here is not caught: the module is not created.
    void AfterConstruction();
};

// Constructs a form or data module and completes it (stored settings in place, creation handler).
// A data module whose completion fails is destroyed with what it owns, and the failure goes on.
template <class T, class... Args> T* Construct(Args&&... args) {
    auto instance = std::make_unique<T>(std::forward<Args>(args)...);
    instance->AfterConstruction();
    return instance.release();
}

struct MessageBoxRecord {
    QString text;
    QString caption;
    unsigned flags;
};

// The one seam all message boxes go through. Tests script the answers and read the log;
// a box shown while scripting with no answer left aborts the test run.
namespace MessageBoxSeam {
void Script(std::deque<int> answers);
void StopScripting();
const std::vector<MessageBoxRecord>& Log();
void ClearLog();
} // namespace MessageBoxSeam

class TApplication : public TOwner {
public:
    void Initialize();
    QString Title;

    // Creates a form or data module owned by the application. On failure the reference
    // stays empty and the exception goes on to the caller. The first form created
    // becomes the main form; a data module never does.
    template <class T> void CreateForm(T*& reference) {
        reference = nullptr;
        T* instance = Construct<T>();
        reference = Own(instance);
        if constexpr (std::is_base_of_v<TForm, T>) {
            if (!mainForm_)
                mainForm_ = instance;
        }
    }

    // Shows the main form and runs the event loop until Terminate.
    void Run();
    void Terminate();
    TForm* MainForm() const { return mainForm_; }

    // A modal box owned by the application window; returns the answer (IDOK, IDYES, IDNO, ...).
    int MessageBox(const QString& text, const QString& caption, unsigned flags);
    // The error box for an exception that left a handler; EAbort shows nothing.
    void HandleException(const std::exception_ptr& error);

    // Runs the program body; then program end. An exception that escapes the body gets the
    // last-chance box and exit code 1.
    int RunProgram(const std::function<void()>& body);

private:
    void Finish();

    QPointer<TForm> mainForm_;
    bool terminated_ = false;
    std::unique_ptr<QObject> ownQtApplication_;
};

extern TApplication Application;

// Runs an event handler so that no exception leaves it: failures go to the error box.
template <class Handler> void Guarded(Handler&& handler) {
    try {
        handler();
    } catch (...) {
        Application.HandleException(std::current_exception());
    }
}

// A slot for connect() that runs a member handler under the guard.
template <class C> auto Handler(C* object, void (C::*method)()) {
    return [object, method] { Guarded([&] { (object->*method)(); }); };
}

// The wait cursor for as long as the object lives.
class TWaitCursor {
public:
    TWaitCursor();
    ~TWaitCursor();
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

// The error box's text: the message, with a full stop where the message ends in a
// character whose code lies above that of '.'.
QString ErrorBoxText(const QString& message);
