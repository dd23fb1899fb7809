// Owners destroying what they own, forms (completion, showing, painting before a blocking call,
// centring by the outer frame, keys) and data modules.
#include "platform/Forms.h"

#include "platform/Application.h"
#include "platform/WindowFrame.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QWindow>

void TOwner::DestroyComponents() {
    while (!components_.empty()) {
        QPointer<QObject> last = components_.back();
        components_.pop_back();
        delete last.data();
    }
}

void TOwner::LoadComponents() {
    // Copy first: a component's Loaded may create further components.
    const auto components = components_;
    for (const auto& component : components)
        if (auto* c = dynamic_cast<TComponent*>(component.data()))
            c->Loaded();
}

TForm::TForm(Qt::WindowFlags flags) : QWidget(nullptr, flags) {}

void TForm::AfterConstruction() {
    setFixedSize(size());
    // Key preview sees what is typed in any control before the control does.
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
    installEventFilter(this);
    if (OnCreate)
        Guarded(OnCreate);
}

void TForm::Show() {
    show();
    raise();
    activateWindow();
}

void TForm::Refresh() {
    // A window is painted only once the window system has exposed it: a paint before that draws
    // nothing, and a blocking call after this one (a connect) would leave the window unpainted.
    // Nothing but the window system's events runs meanwhile: no input, no handler of the program.
    const QDeadlineTimer deadline(5000);
    while (windowHandle() && !windowHandle()->isExposed() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (!windowHandle()->isExposed())
            QThread::msleep(5);
    }
    repaint();
    // Hands the picture to the window system now, not at the next pass of the event loop.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TForm::SetOuterHeight(int height) {
    const int frame = frameGeometry().height() - geometry().height();
    setFixedHeight(height - frame);
}

void TForm::SelectNextControl() {
    focusNextChild();
}

void TForm::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted() && Application.MainForm() == this)
        Application.Terminate();
}

void TForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (Position == TPosition::ScreenCenter && !centred_) {
        centred_ = true;
        const QRect screen = (this->screen() ? this->screen() : QGuiApplication::primaryScreen())->geometry();
        // The window is not mapped yet, so Qt may not know the frame; the window manager does.
        const QRect client = geometry(), known = frameGeometry();
        const QMargins frame = WindowFrameExtents(this).value_or(
            QMargins(client.left() - known.left(), client.top() - known.top(), known.right() - client.right(),
                     known.bottom() - client.bottom()));
        const QSize outer = size().grownBy(frame);
        setGeometry(QRect(QPoint(screen.x() + (screen.width() - outer.width()) / 2 + frame.left(),
                                 screen.y() + (screen.height() - outer.height()) / 2 + frame.top()),
                          size()));
    }
}

namespace {
bool IsEnter(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}
} // namespace

bool TForm::eventFilter(QObject* watched, QEvent* event) {
    // Keys go to the focused control first; the same event travelling on to its parents is not new.
    if (event->type() != QEvent::KeyPress || watched != QApplication::focusWidget())
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (PressFocusedButton(watched, key) || LeaveDateField(watched, key) || PreviewKey(watched, key))
        return true;
    return QWidget::eventFilter(watched, event);
}

// Enter on a focused button presses it when the key goes down; no key handler sees it.
bool TForm::PressFocusedButton(QObject* watched, const QKeyEvent* key) {
    auto* button = qobject_cast<QPushButton*>(watched);
    if (!button || !IsEnter(key) || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    if (button->isEnabled())
        button->click();
    return true;
}

// Tab leaves a date field at once, as it leaves any other control; its parts are edited with the arrows.
bool TForm::LeaveDateField(QObject* watched, const QKeyEvent* key) {
    const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
    if (!tab || !qobject_cast<QAbstractSpinBox*>(watched))
        return false;
    focusNextPrevChild(key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier));
    return true;
}

// The form's key handler sees an ASCII character or Enter (as '\r') before the control does;
// true when the handler cancelled it by setting it to 0.
bool TForm::PreviewKey(QObject* watched, const QKeyEvent* key) {
    if (!KeyPreview || !OnKeyPress || watched == this)
        return false;
    const QString text = key->text();
    char ch = 0;
    if (IsEnter(key))
        ch = '\r';
    else if (text.size() == 1 && text.at(0).unicode() < 0x80)
        ch = char(text.at(0).unicode());
    if (ch == 0)
        return false;
    bool cancelled = false;
    Guarded([&] {
        OnKeyPress(ch);
        cancelled = ch == 0;
    });
    return cancelled;
}

void TDataModule::AfterConstruction() {
    LoadComponents();
}
