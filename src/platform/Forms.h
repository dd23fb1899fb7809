// Forms and data modules: components and their owners, top-level windows laid out as designed,
// and non-visual containers, each completed once its stored settings are in place.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QKeyEvent;

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
    bool PressFocusedButton(QObject* watched, const QKeyEvent* key);
    bool LeaveDateField(QObject* watched, const QKeyEvent* key);
    bool PreviewKey(QObject* watched, const QKeyEvent* key);

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
