#include "platform/Application.h"
#include "platform/Exceptions.h"
#include "platform/Fonts.h"
#include "platform/WindowFrame.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QFont>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTranslator>
#include <QWindow>

TApplication Application;

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

// ---------------------------------------------------------------- forms

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

bool TForm::eventFilter(QObject* watched, QEvent* event) {
    // Keys go to the focused control first; the same event travelling on to its parents is not new.
    if (event->type() != QEvent::KeyPress || watched != QApplication::focusWidget())
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    // Enter on a focused button presses it when the key goes down; no key handler sees it.
    if (enter && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (auto* button = qobject_cast<QPushButton*>(watched)) {
            if (button->isEnabled())
                button->click();
            return true;
        }
    }
    // Tab leaves a date field at once, as it leaves any other control; its parts are edited with the arrows.
    const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
    if (tab && qobject_cast<QAbstractSpinBox*>(watched)) {
        focusNextPrevChild(key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier));
        return true;
    }
    if (!KeyPreview || !OnKeyPress || watched == this)
        return QWidget::eventFilter(watched, event);
    const QString text = key->text();
    char ch = 0;
    if (enter)
        ch = '\r';
    else if (text.size() == 1 && text.at(0).unicode() < 0x80)
        ch = char(text.at(0).unicode());
    if (ch == 0)
        return QWidget::eventFilter(watched, event);
    bool cancelled = false;
    Guarded([&] {
        OnKeyPress(ch);
        cancelled = ch == 0;
    });
    return cancelled;
}

// ---------------------------------------------------------------- data modules

void TDataModule::AfterConstruction() {
    LoadComponents();
}

// ---------------------------------------------------------------- message boxes

namespace {
struct Seam {
    bool scripted = false;
    std::deque<int> answers;
    std::vector<MessageBoxRecord> log;
} seam;

int ShowRealBox(const QString& text, const QString& caption, unsigned flags) {
    QMessageBox box;
    box.setWindowTitle(caption);
    box.setText(text);
    switch (flags & 0xF0) {
    case MB_ICONERROR:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONWARNING:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    QList<QPair<QMessageBox::StandardButton, int>> buttons;
    switch (flags & 0xF) {
    case MB_YESNO:
        buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
        break;
    case MB_OKCANCEL:
        buttons = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    default:
        buttons = {{QMessageBox::Ok, IDOK}};
        break;
    }
    for (const auto& b : buttons)
        box.addButton(b.first);
    const int defaultIndex = (flags & MB_DEFBUTTON2) ? 1 : 0;
    if (defaultIndex < buttons.size())
        box.setDefaultButton(buttons[defaultIndex].first);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    const auto pressed = box.standardButton(box.clickedButton());
    for (const auto& b : buttons)
        if (b.first == pressed)
            return b.second;
    // Closed without a button: the answer of the box's escape button.
    return buttons.size() == 1 ? buttons[0].second : buttons.back().second;
}
} // namespace

void MessageBoxSeam::Script(std::deque<int> answers) {
    seam.scripted = true;
    seam.answers = std::move(answers);
}
void MessageBoxSeam::StopScripting() {
    seam.scripted = false;
    seam.answers.clear();
}
const std::vector<MessageBoxRecord>& MessageBoxSeam::Log() {
    return seam.log;
}
void MessageBoxSeam::ClearLog() {
    seam.log.clear();
}

int TApplication::MessageBox(const QString& text, const QString& caption, unsigned flags) {
    seam.log.push_back({text, caption, flags});
    if (!seam.scripted)
        return ShowRealBox(text, caption, flags);
    if (seam.answers.empty())
        qFatal("message box shown with no scripted answer: %s | %s", qPrintable(caption), qPrintable(text));
    const int answer = seam.answers.front();
    seam.answers.pop_front();
    return answer;
}

QString ErrorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + u'.';
    return message;
}

void TApplication::HandleException(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
    } catch (const std::exception& e) {
        MessageBox(ErrorBoxText(QString::fromUtf8(e.what())), Title, MB_OK | MB_ICONERROR);
    } catch (...) {
        MessageBox(ErrorBoxText(QStringLiteral("Unknown exception")), Title, MB_OK | MB_ICONERROR);
    }
}

// ---------------------------------------------------------------- the application

void TApplication::Initialize() {
    DestroyComponents();
    mainForm_ = nullptr;
    terminated_ = false;
    Title.clear();
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "Redate";
        static char* argv[] = {name, nullptr};
        ownQtApplication_ = std::make_unique<QApplication>(argc, argv);
    }
    QApplication::setQuitOnLastWindowClosed(false);
    // The program's texts are Chinese, and so must be the framework's buttons.
    // Once for each application object: tests run the program many times in one.
    const QString texts = QStringLiteral("qtbase_zh_CN");
    if (!qApp->findChild<QTranslator*>(texts, Qt::FindDirectChildrenOnly)) {
        auto* translator = new QTranslator(qApp);
        translator->setObjectName(texts);
        if (translator->load(texts, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(translator);
    }
    // The forms are designed in 宋体; a Song-style font stands in where it is missing.
    InstallSongFont();
}

void TApplication::Run() {
    if (!mainForm_)
        return;
    mainForm_->Show();
    if (!terminated_)
        QApplication::exec();
}

void TApplication::Terminate() {
    terminated_ = true;
    QCoreApplication::exit(0);
}

void TApplication::Finish() {
    DestroyComponents();
    mainForm_ = nullptr;
    // Before main returns: destroyed among the static objects, after parts of Qt are gone, it crashes.
    ownQtApplication_.reset();
}

int TApplication::RunProgram(const std::function<void()>& body) {
    int exitCode = 0;
    try {
        body();
    } catch (const std::exception& e) {
        MessageBox(QString::fromUtf8(e.what()), QStringLiteral("Application Error"),
                   MB_OK | MB_ICONERROR | MB_TASKMODAL);
        exitCode = 1;
    } catch (...) {
        MessageBox(QStringLiteral("Unknown exception"), QStringLiteral("Application Error"),
                   MB_OK | MB_ICONERROR | MB_TASKMODAL);
        exitCode = 1;
    }
    Finish();
    return exitCode;
}

TWaitCursor::TWaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}
TWaitCursor::~TWaitCursor() {
    QApplication::restoreOverrideCursor();
}
