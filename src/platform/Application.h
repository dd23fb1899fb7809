// The application object: creation and ownership of forms and data modules, the main form, the
// event loop, program end, the error boxes, and the guard that keeps exceptions out of Qt's event loop.
#pragma once

#include "platform/Forms.h"
#include "platform/MessageBox.h"

#include <QString>

#include <exception>
#include <functional>
#include <memory>

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
    int MessageBox(const QString& text, const QString& caption, unsigned flags) {
        return ShowMessageBox(text, caption, flags);
    }
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
