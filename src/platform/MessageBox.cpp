// The real message box over QMessageBox, and the seam's script and log.
#include "platform/MessageBox.h"

#include <QMessageBox>

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
    switch (flags & MB_ICONMASK) {
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
    switch (flags & MB_TYPEMASK) {
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

int ShowMessageBox(const QString& text, const QString& caption, unsigned flags) {
    seam.log.push_back({text, caption, flags});
    if (!seam.scripted)
        return ShowRealBox(text, caption, flags);
    if (seam.answers.empty())
        qFatal("message box shown with no scripted answer: %s | %s", qPrintable(caption), qPrintable(text));
    const int answer = seam.answers.front();
    seam.answers.pop_front();
    return answer;
}
