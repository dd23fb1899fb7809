// The application object's life: initialising Qt and its Chinese texts, the main form and the event
// loop, the error boxes, and program end.
#include "platform/Application.h"

#include "platform/Exceptions.h"
#include "platform/Fonts.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>

TApplication Application;

QString ErrorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + u'.';
    return message;
}

namespace {
// The message of an exception as the boxes show it.
QString MessageOf(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Unknown exception");
    }
}

bool IsSilentAbort(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
        return true;
    } catch (...) {
        return false;
    }
}
} // namespace

void TApplication::HandleException(const std::exception_ptr& error) {
    if (!IsSilentAbort(error))
        MessageBox(ErrorBoxText(MessageOf(error)), Title, MB_OK | MB_ICONERROR);
}

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
    } catch (...) {
        MessageBox(MessageOf(std::current_exception()), QStringLiteral("Application Error"),
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
